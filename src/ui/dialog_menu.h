#pragma once

#include <array>

namespace tavro::ui {

// The dialog's own menu: the Win32 dialog's system menu, the Qt window's context menu. It
// leaves the dialog's layout as it is.
enum class MenuItem { password, connectPort, showLog, saveLog };

struct MenuEntry {
    MenuItem item;
    const char* text;  // UTF-8, with its mnemonic
};

// The items in the order they are shown.
const std::array<MenuEntry, 4>& DialogMenuEntries();

// What the menu shows right now: nothing can be chosen while a search or an upload runs.
struct MenuState {
    bool enabled = true;
    bool logShown = false;  // the log item carries a check mark
};

}  // namespace tavro::ui
