#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ui/control_ids.h"
#include "ui/dialog_menu.h"

namespace tavro::ui {

enum class MessageButtons { ok, okCancel };
enum class MessageAnswer { ok, cancel };

// The file-open dialog of the Write button.
struct FileOpenRequest {
    std::string defaultExtension;  // appended when the user types a name without one
    std::string filter;            // "Name (*.x)|*.x|...||", the first pair shown first
    bool fileMustExist = true;
};

// The save dialog of the log.
struct FileSaveRequest {
    std::string defaultExtension;
    std::string filter;  // as in FileOpenRequest
    std::string suggestedName;
};

// A small prompt with one line of input, OK and Cancel.
struct TextPrompt {
    std::string caption;
    std::string label;
    std::string initial;
    bool masked = false;      // what is typed is never shown
    bool digitsOnly = false;  // a number
};

// What WriterDialog may do to its window. The Qt window implements it; tests implement it
// with plain in-memory fakes. Every call is made on the UI thread, except RunOnUiThread.
class DialogControls {
public:
    virtual ~DialogControls() = default;

    virtual void SetDialogIcon() = 0;  // large and small icon IDR_MAINFRAME
    virtual void Enable(ControlId id, bool enable) = 0;
    virtual void Show(ControlId id, bool show) = 0;
    virtual void SetText(ControlId id, const std::string& text) = 0;

    // The device list and the interface list. An index of -1 means no line.
    virtual void AddLine(ControlId id, const std::string& line) = 0;
    virtual void DeleteLine(ControlId id, int index) = 0;
    virtual void ClearLines(ControlId id) = 0;
    virtual int SelectedLine(ControlId id) = 0;
    virtual void SelectLine(ControlId id, int index) = 0;

    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPosition(int position) = 0;

    // Puts the caret at the end of the log pane, scrolls to it and inserts the text there.
    virtual void AppendToLog(const std::string& text) = 0;

    // A message box with the application's name as caption, owned by the dialog. A detail
    // that is not empty stands beneath the main text, set apart from it.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& detail,
                                      MessageButtons buttons) = 0;
    // A message box captioned "Error", owned by no window; may be called from any thread.
    virtual void ShowErrorBox(const std::string& text) = 0;
    // The full path of the chosen file, or nullopt when the user did not choose one.
    virtual std::optional<std::string> AskOpenFile(const FileOpenRequest& request) = 0;

    // The full path to save to, or nullopt when the user did not choose one.
    virtual std::optional<std::string> AskSaveFile(const FileSaveRequest& request) = 0;
    // The text the user entered and confirmed with OK; nullopt after Cancel.
    virtual std::optional<std::string> AskText(const TextPrompt& prompt) = 0;

    // A periodic timer whose ticks arrive as WriterDialog::OnTimer(id).
    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void StopTimer(int id) = 0;

    // Runs the call on the UI thread and returns when it has run (at once when called there).
    virtual void RunOnUiThread(const std::function<void()>& call) = 0;

    virtual void SetWaitCursor(bool on) = 0;
    virtual void EndDialog(int result) = 0;
};

// What the window tells WriterDialog: the dialog's message map.
class DialogEvents {
public:
    virtual ~DialogEvents() = default;
    virtual bool OnInitDialog() = 0;
    virtual void OnWrite() = 0;
    virtual void OnSearch() = 0;
    virtual void OnInterfaceSelectionChange() = 0;
    virtual void OnDeviceSelectionChange() = 0;
    virtual void OnTimer(int id) = 0;
    // Enter, Escape and the close box end the dialog only when this says so.
    virtual bool CanClose() const = 0;
    // The dialog's menu: how it looks now, and an item chosen.
    virtual MenuState CurrentMenuState() const = 0;
    virtual void OnMenu(MenuItem item) = 0;
};

}  // namespace tavro::ui
