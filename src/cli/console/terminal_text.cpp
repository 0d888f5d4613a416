#include "cli/console/terminal_text.h"

#include <cstdio>

#include "cli/console/utf8_reader.h"

namespace tavro::cli {
namespace {

// C0, DEL and C1 (NEL, U+0085, among them), the line and paragraph separators, and the
// characters that turn the direction of the text around it, which can make a line read as
// something else than the bytes it holds.
bool IsControl(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F) ||
           codePoint == 0x061C ||                           // Arabic letter mark
           codePoint == 0x200E || codePoint == 0x200F ||    // left-to-right and right-to-left marks
           (codePoint >= 0x2028 && codePoint <= 0x202E) ||  // separators, embeddings, overrides
           (codePoint >= 0x2066 && codePoint <= 0x2069);    // isolates
}

void AppendEscape(std::string& out, const char* format, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

// Appends the character at text[at] as a terminal may show it; returns the bytes it took.
std::size_t AppendShown(std::string& out, std::string_view text, std::size_t at) {
    const Utf8Step step = ReadUtf8(text, at);
    if (!step.valid) {
        AppendEscape(out, "\\x%02x", static_cast<unsigned char>(text[at]));
    } else if (step.codePoint == '\\') {
        out += "\\\\";
    } else if (IsControl(step.codePoint)) {
        AppendEscape(out, step.codePoint < 0x80 ? "\\x%02x" : "\\u%04x",
                     static_cast<unsigned>(step.codePoint));
    } else {
        out.append(text.substr(at, step.length));
    }
    return step.length;
}

// The length of the line break at text[at]: 2 for "\r\n", 1 for "\n", else 0.
std::size_t LineBreakAt(std::string_view text, std::size_t at) {
    if (text[at] == '\n') return 1;
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') return 2;
    return 0;
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) at += AppendShown(out, text, at);
    return out;
}

std::string TerminalTrace(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (const std::size_t lineBreak = LineBreakAt(text, at)) {
            out.append(text.substr(at, lineBreak));
            at += lineBreak;
        } else {
            at += AppendShown(out, text, at);
        }
    }
    return out;
}

std::size_t TraceReadyLength(std::string_view text) {
    if (text.empty()) return 0;
    if (text.back() == '\r') return text.size() - 1;
    // A lead byte among the last three whose character has not arrived whole.
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t announced = byte > 0xF4    ? 1
                                      : byte >= 0xF0 ? 4
                                      : byte >= 0xE0 ? 3
                                      : byte >= 0xC2 ? 2
                                                     : 1;
        return announced > back ? text.size() - back : text.size();
    }
    return text.size();
}

}  // namespace tavro::cli
