#pragma once

// windows.h first: commctrl.h builds on its types.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/dialog_template.h"

namespace tavro::ui::test {

// What a scenario found, one line each, into the result file the test script reads back.
class Findings {
public:
    explicit Findings(std::FILE* out) : out_(out) {}
    // Notes a check; returns ok so a scenario can stop where going on makes no sense.
    bool Check(bool ok, const std::string& what);
    void Note(const std::string& what);
    int failures() const { return failures_; }

private:
    std::FILE* out_;
    int failures_ = 0;
};

// Finds and drives the writer's dialog from another process through its window messages.
class WindowDriver {
public:
    // Waits up to timeoutMs for the writer's dialog; null when it did not appear.
    static HWND WaitForDialog(DWORD timeoutMs);
    // Waits up to timeoutMs for a message box owned by the dialog; null when none appeared.
    static HWND WaitForMessageBox(HWND dialog, DWORD timeoutMs);
    // Waits up to timeoutMs for a top-level message box with this caption, whoever owns it.
    static HWND WaitForCaptionedBox(const std::string& caption, DWORD timeoutMs);
    // Waits up to timeoutMs until the window no longer exists.
    static bool WaitUntilGone(HWND window, DWORD timeoutMs);

    static HWND Control(HWND dialog, ControlId id);
    static std::string Text(HWND window);
    static std::string ClassName(HWND window);
    // The message text of a message box, the main instruction of a task dialog.
    static std::string MessageBoxText(HWND box);
    // Every visible non-empty static text of a box, in z-order: a task dialog's main
    // instruction, then its content.
    static std::vector<std::string> StaticTexts(HWND box);
    static std::vector<std::string> ListLines(HWND list);
    static std::vector<std::string> ComboLines(HWND combo);
    // The window's rectangle in the dialog's client coordinates, as x, y, width, height.
    static DialogRect RectInDialog(HWND dialog, HWND control);

    // A click that the button's own thread carries out; returns once it has (for Search) or
    // at once (for buttons whose handler runs a modal loop).
    static bool ClickAndWait(HWND button, DWORD timeoutMs);
    static void ClickLater(HWND button);
    // Selects a device line as the user does: the selection, then the list's notification.
    static void SelectDeviceLine(HWND dialog, int index);
};

}  // namespace tavro::ui::test
