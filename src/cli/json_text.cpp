#include "cli/json_text.h"

#include <cstdio>

#include "cli/utf8_reader.h"

namespace tavro::cli {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Characters a JSON reader must see escaped, and those that some JavaScript readers and
// terminals take for line ends or commands.
bool NeedsUnicodeEscape(char32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F) || codePoint == 0x2028 ||
           codePoint == 0x2029;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = ReadUtf8(text, at);
        if (!step.valid) {
            out += kReplacementCharacter;
        } else if (step.codePoint == '"' || step.codePoint == '\\') {
            out += '\\';
            out += static_cast<char>(step.codePoint);
        } else if (NeedsUnicodeEscape(step.codePoint)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(step.codePoint));
            out += escape;
        } else {
            out.append(text.substr(at, step.length));
        }
        at += step.length;
    }
    return out + "\"";
}

}  // namespace tavro::cli
