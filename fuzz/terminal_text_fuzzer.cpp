// Text from a peer (device answers, the upload trace, interface names) shown on a terminal.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console/terminal_text.h"
#include "fuzz_check.h"
#include "utf8_validity.h"

namespace {

using tavro::fuzz::IsValidUtf8;
using tavro::fuzz::Require;

std::optional<unsigned> HexNumber(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits) {
        value <<= 4;
        if (c >= '0' && c <= '9') {
            value |= static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            value |= static_cast<unsigned>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
    }
    return value;
}

// The characters beyond ASCII that a terminal must not get raw: C1, the line and paragraph
// separators, the bidirectional marks, embeddings, overrides and isolates.
bool IsEscapedBeyondAscii(unsigned codePoint) {
    return (codePoint >= 0x80 && codePoint <= 0x9F) || codePoint == 0x061C || codePoint == 0x200E ||
           codePoint == 0x200F || (codePoint >= 0x2028 && codePoint <= 0x202E) ||
           (codePoint >= 0x2066 && codePoint <= 0x2069);
}

std::string Utf8Of(unsigned codePoint) {
    if (codePoint < 0x800) {
        return {static_cast<char>(0xC0 | codePoint >> 6),
                static_cast<char>(0x80 | (codePoint & 0x3F))};
    }
    return {static_cast<char>(0xE0 | codePoint >> 12),
            static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)),
            static_cast<char>(0x80 | (codePoint & 0x3F))};
}

// Control characters a terminal acts on: C0, DEL and, as UTF-8, the ones above.
bool HoldsControl(std::string_view shown, bool lineBreaksAllowed) {
    for (std::size_t at = 0; at < shown.size(); ++at) {
        const auto byte = static_cast<unsigned char>(shown[at]);
        const bool lineBreak = byte == '\n' || (byte == '\r' && shown.substr(at + 1, 1) == "\n");
        if ((byte < 0x20 || byte == 0x7F) && !(lineBreaksAllowed && lineBreak)) return true;
    }
    static const std::vector<std::string> escapedBeyondAscii = [] {
        std::vector<std::string> every;
        for (unsigned codePoint = 0x80; codePoint <= 0x2069; ++codePoint) {
            if (IsEscapedBeyondAscii(codePoint)) every.push_back(Utf8Of(codePoint));
        }
        return every;
    }();
    for (const std::string& character : escapedBeyondAscii) {
        if (shown.find(character) != std::string_view::npos) return true;
    }
    return false;
}

// The text behind its escapes: "\\", "\xHH" for one byte, "\uHHHH" for a character above.
// nullopt when an escape is malformed, so that an escape can only be read one way.
std::optional<std::string> Unescaped(std::string_view shown) {
    std::string text;
    for (std::size_t at = 0; at < shown.size();) {
        if (shown[at] != '\\') {
            text += shown[at++];
            continue;
        }
        const std::string_view kind = shown.substr(at + 1, 1);
        if (kind == "\\") {
            text += '\\';
            at += 2;
        } else if (kind == "x") {
            const auto byte = HexNumber(shown.substr(at + 2, 2));
            if (!byte || shown.size() - at < 4) return std::nullopt;
            text += static_cast<char>(*byte);
            at += 4;
        } else if (kind == "u") {
            const auto escaped = HexNumber(shown.substr(at + 2, 4));
            if (!escaped || shown.size() - at < 6 || !IsEscapedBeyondAscii(*escaped)) {
                return std::nullopt;
            }
            text += Utf8Of(*escaped);
            at += 6;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

void CheckShown(std::string_view text, const std::string& shown, bool lineBreaksAllowed) {
    Require(IsValidUtf8(shown), "what a terminal is shown is valid UTF-8");
    Require(!HoldsControl(shown, lineBreaksAllowed), "no control character reaches a terminal");
    const auto unescaped = Unescaped(shown);
    Require(unescaped && *unescaped == text, "the escapes read back as the bytes that came");
}

// A trace escaped piece by piece as it arrives reads as the whole trace escaped at once.
void CheckArrivingTrace(std::string_view trace, std::size_t split) {
    const std::string_view arrived = trace.substr(0, split);
    const std::size_t ready = tavro::cli::TraceReadyLength(arrived);
    Require(ready <= arrived.size(), "no more is ready than has arrived");
    const std::string pieces = tavro::cli::TerminalTrace(arrived.substr(0, ready)) +
                               tavro::cli::TerminalTrace(trace.substr(ready));
    Require(pieces == tavro::cli::TerminalTrace(trace), "a trace escapes the same in pieces");
}

}  // namespace

// The first byte chooses where the trace is cut as it arrives; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text = tavro::fuzz::Bytes(data + 1, size - 1);

    CheckShown(text, tavro::cli::TerminalText(text), false);
    CheckShown(text, tavro::cli::TerminalTrace(text), true);
    Require(!IsValidUtf8(text) || HoldsControl(text, false) ||
                text.find('\\') != std::string_view::npos || tavro::cli::TerminalText(text) == text,
            "valid UTF-8 without controls or backslashes passes unchanged");
    CheckArrivingTrace(text, text.empty() ? 0 : data[0] % (text.size() + 1));
    return 0;
}
