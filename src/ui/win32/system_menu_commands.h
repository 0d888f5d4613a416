#pragma once

#include <windows.h>

#include <cstddef>

namespace tavro::ui {

// The dialog's own items in its system menu, in the order of DialogMenuEntries(): commands
// below 0xF000 in steps of 16, since the system uses the low four bits of a system command.
inline constexpr UINT kFirstMenuCommand = 0x0100;
inline constexpr UINT kMenuCommandStep = 0x0010;

constexpr UINT MenuCommandOf(std::size_t index) {
    return kFirstMenuCommand + static_cast<UINT>(index) * kMenuCommandStep;
}

}  // namespace tavro::ui
