#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace tavro::ui {

// The dialog's window styles: a modal frame with caption and system menu, its font from the
// template, and a task-bar button of its own.
inline constexpr DWORD kWriterDialogStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
inline constexpr DWORD kWriterDialogExStyle = WS_EX_APPWINDOW;

// The template as the extended in-memory dialog template (DLGTEMPLATEEX and one
// DLGITEMTEMPLATEEX per control, in tab order) that DialogBoxIndirectParamW takes, with
// fontFace in place of the template's family. The words are DWORD aligned as required.
std::vector<WORD> BuildDialogTemplateImage(const DialogTemplate& dialog,
                                           const std::wstring& fontFace);

}  // namespace tavro::ui
