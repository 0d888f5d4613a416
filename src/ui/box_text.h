#pragma once

#include <string>
#include <string_view>

namespace tavro::ui {

// Text from a device or the file system as a message box may show it: control characters
// (C0, DEL, C1) and bytes that are not UTF-8 become escapes such as "\x1b", "\u009b" and
// "\xff", so a device cannot break a box's lines or hide words in it. Everything else, the
// backslashes of a Windows path included, passes unchanged.
std::string BoxText(std::string_view text);

// The text with every byte that is not part of valid UTF-8 replaced by U+FFFD; line breaks
// and other control characters stay.
std::string ValidUtf8(std::string_view text);

}  // namespace tavro::ui
