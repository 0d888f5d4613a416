#include "cli/console/display_width.h"

#include "cli/console/utf8_reader.h"

namespace tavro::cli {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…", one column
constexpr std::string_view kAsciiEllipsis = "...";

// East Asian Wide and Fullwidth ranges: Hangul Jamo, CJK and its punctuation, kana, Hangul
// syllables, compatibility ideographs, fullwidth forms, the wide emoji and the supplementary
// ideographic planes.
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::size_t ColumnsOf(const Utf8Step& step) { return step.valid && IsWide(step.codePoint) ? 2 : 1; }

}  // namespace

std::size_t DisplayColumns(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = ReadUtf8(text, at);
        columns += ColumnsOf(step);
        at += step.length;
    }
    return columns;
}

std::string FitToColumns(std::string_view text, std::size_t columns, Charset charset) {
    if (DisplayColumns(text) <= columns) return std::string(text);
    const std::string_view mark = charset == Charset::Utf8 ? kEllipsis : kAsciiEllipsis;
    const std::size_t markColumns = DisplayColumns(mark);
    if (columns == 0) return {};
    // Too narrow for "...": as many of its dots as fit tell that the line was cut.
    if (columns < markColumns) return std::string(mark.substr(0, columns));
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const Utf8Step step = ReadUtf8(text, at);
        if (used + ColumnsOf(step) > columns - markColumns) break;
        used += ColumnsOf(step);
        at += step.length;
    }
    return std::string(text.substr(0, at)) + std::string(mark);
}

}  // namespace tavro::cli
