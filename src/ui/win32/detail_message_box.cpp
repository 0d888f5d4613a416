#include "ui/win32/detail_message_box.h"

// commctrl.h builds on the types of windows.h.
#include <commctrl.h>

namespace tavro::ui {
namespace {

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Only version 6 of the common controls has task dialogs; the program asks for it in its
// manifest, but a system without them still gets a box.
TaskDialogIndirectFunction FindTaskDialog() {
    HMODULE controls = ::GetModuleHandleW(L"comctl32.dll");
    if (controls == nullptr) return nullptr;
    return reinterpret_cast<TaskDialogIndirectFunction>(
        reinterpret_cast<void*>(::GetProcAddress(controls, "TaskDialogIndirect")));
}

}  // namespace

int ShowDetailMessageBox(HWND owner, const std::wstring& caption, const std::wstring& text,
                         const std::wstring& detail, bool withCancel) {
    if (const TaskDialogIndirectFunction taskDialog = FindTaskDialog()) {
        TASKDIALOGCONFIG config{};
        config.cbSize = sizeof config;
        config.hwndParent = owner;
        // Escape answers as it does in a message box: Cancel, or OK where OK is alone.
        config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
        config.dwCommonButtons = TDCBF_OK_BUTTON | (withCancel ? TDCBF_CANCEL_BUTTON : 0);
        config.pszWindowTitle = caption.c_str();
        config.pszMainInstruction = text.c_str();
        config.pszContent = detail.c_str();
        config.nDefaultButton = IDOK;
        int pressed = IDCANCEL;
        if (SUCCEEDED(taskDialog(&config, &pressed, nullptr, nullptr))) {
            // A box with OK alone that Escape closed answered OK all the same.
            return withCancel ? pressed : IDOK;
        }
    }
    const std::wstring whole = text + L"\r\n\r\n" + detail;
    return ::MessageBoxW(owner, whole.c_str(), caption.c_str(), withCancel ? MB_OKCANCEL : MB_OK);
}

}  // namespace tavro::ui
