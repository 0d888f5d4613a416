#include "cli/console/wrapped_lines.h"

#include "cli/console/display_width.h"
#include "cli/console/utf8_reader.h"

namespace tavro::cli {
namespace {

constexpr std::size_t kLeastText = 10;

std::size_t LeadingSpaces(std::string_view line) {
    const std::size_t text = line.find_first_not_of(' ');
    return text == std::string_view::npos ? line.size() : text;
}

std::string_view TrimmedRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// Where the first piece of `text` that fits in `room` columns ends, and where the rest
// begins: after the last space that fits past the indent, else after the last character that
// fits (at least one, so the wrap always moves on).
struct Break {
    std::size_t pieceEnd;
    std::size_t restBegin;
};

Break BreakWithin(std::string_view text, std::size_t room, std::size_t indent) {
    std::size_t used = 0;
    std::size_t at = 0;
    std::size_t lastSpace = 0;
    while (at < text.size()) {
        const Utf8Step step = ReadUtf8(text, at);
        const std::size_t width = DisplayColumns(text.substr(at, step.length));
        if (used + width > room && at > 0) break;
        if (text[at] == ' ' && at > indent) lastSpace = at;
        used += width;
        at += step.length;
    }
    if (at < text.size() && lastSpace > 0) return {lastSpace, lastSpace + 1};
    return {at, at};
}

void AppendWrapped(std::string& out, std::string_view line, std::size_t columns) {
    const std::size_t indent = LeadingSpaces(line);
    // Indented only where the indent leaves room for some words.
    const std::string continuation(indent + 2 + kLeastText <= columns ? indent + 2 : 0, ' ');
    std::string_view rest = line;
    std::string_view prefix;
    std::size_t restIndent = indent;
    while (DisplayColumns(prefix) + DisplayColumns(rest) > columns) {
        const Break cut = BreakWithin(rest, columns - DisplayColumns(prefix), restIndent);
        out.append(prefix).append(TrimmedRight(rest.substr(0, cut.pieceEnd))).append("\n");
        rest = rest.substr(cut.restBegin);
        rest.remove_prefix(LeadingSpaces(rest));
        prefix = continuation;
        restIndent = 0;
    }
    out.append(prefix).append(rest).append("\n");
}

}  // namespace

std::string WrapToColumns(std::string_view lines, std::size_t columns) {
    if (columns == 0) return std::string(lines);
    std::string out;
    for (std::size_t at = 0; at < lines.size();) {
        const std::size_t end = lines.find('\n', at);
        const std::size_t lineEnd = end == std::string_view::npos ? lines.size() : end;
        AppendWrapped(out, lines.substr(at, lineEnd - at), columns);
        if (end == std::string_view::npos) out.pop_back();  // it had no line end of its own
        at = lineEnd + 1;
    }
    return out;
}

}  // namespace tavro::cli
