#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro::cli {

// Text that came from a peer (a device's answer, an interface name, a command-line argument)
// as a terminal may show it: control characters (C0, DEL, and C1 as U+0080..U+009F), the line
// and paragraph separators U+2028 and U+2029, the bidirectional marks, embeddings, overrides
// and isolates (U+061C, U+200E, U+200F, U+202A..U+202E, U+2066..U+2069) and bytes that are
// not UTF-8 become escapes such as "\x1b", "\x00", "\xff", "\u009b" and "\u202e", and the
// backslash becomes "\\", so an escape in the output reads only one way. Valid UTF-8 passes
// unchanged.
std::string TerminalText(std::string_view text);

// The same for the upload trace, whose lines end in "\r\n" or "\n": those line breaks stay, a
// carriage return anywhere else is escaped.
std::string TerminalTrace(std::string_view text);

// How much of a trace that is still arriving can be escaped now: all of it but a trailing
// carriage return (a "\n" may follow) or a trailing part of a multi-byte character.
std::size_t TraceReadyLength(std::string_view text);

}  // namespace tavro::cli
