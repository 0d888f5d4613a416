#pragma once

#include <windows.h>

#include "ui/dialog_template.h"

namespace tavro::ui {

// A control of the template in Win32 terms: its window class and the styles it has beyond
// child and visible.
struct Win32ControlClass {
    const wchar_t* className;
    WORD predefinedAtom;  // 0x0080 button ... 0x0085 combo box; 0 for a class known by name
    DWORD style;
};

Win32ControlClass Win32ClassOf(ControlKind kind);

}  // namespace tavro::ui
