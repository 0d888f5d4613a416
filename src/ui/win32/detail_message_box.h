#pragma once

#include <windows.h>

#include <string>

namespace tavro::ui {

// A message box whose main text has a detail beneath it: a task dialog with the text as its
// main instruction and the detail as its content, or, where the system has no task dialogs,
// a plain message box with the detail after a blank line. Returns IDOK, IDCANCEL, ...
int ShowDetailMessageBox(HWND owner, const std::wstring& caption, const std::wstring& text,
                         const std::wstring& detail, bool withCancel);

}  // namespace tavro::ui
