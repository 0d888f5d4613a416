#pragma once

#include <windows.h>
// commdlg.h builds on windows.h.
#include <commdlg.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog_controls.h"

namespace tavro::ui {

// The main dialog as a native modal dialog made from the template IDD_WRITER_DIALOG. It
// carries out what WriterDialog asks through DialogControls and passes the dialog's messages
// on as DialogEvents. Enter, Escape and the close box end it as a plain dialog does, unless
// the behaviour refuses (an upload runs).
class Win32WriterWindow final : public DialogControls {
public:
    struct Options {
        HINSTANCE instance = nullptr;
        // The caption of the message boxes that have the dialog as owner.
        std::wstring messageCaption = L"TAVRO Writer";
        // Answers the file dialog with this path instead of showing it (for tests that drive
        // the window from outside); empty shows the real dialog.
        std::wstring presetOpenFile;
        // The same for the log's save dialog.
        std::wstring presetSaveFile;
    };

    explicit Win32WriterWindow(Options options);
    ~Win32WriterWindow() override;
    Win32WriterWindow(const Win32WriterWindow&) = delete;
    Win32WriterWindow& operator=(const Win32WriterWindow&) = delete;

    // Runs the dialog modally until it ends; returns the end result.
    INT_PTR Run(DialogEvents& events);
    HWND Handle() const { return m_window; }

    // DialogControls
    void SetDialogIcon() override;
    void Enable(ControlId id, bool enable) override;
    void Show(ControlId id, bool show) override;
    void SetText(ControlId id, const std::string& text) override;
    void AddLine(ControlId id, const std::string& line) override;
    void DeleteLine(ControlId id, int index) override;
    void ClearLines(ControlId id) override;
    int SelectedLine(ControlId id) override;
    void SelectLine(ControlId id, int index) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPosition(int position) override;
    void AppendToLog(const std::string& text) override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& detail,
                              MessageButtons buttons) override;
    void ShowErrorBox(const std::string& text) override;
    std::optional<std::string> AskOpenFile(const FileOpenRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileSaveRequest& request) override;
    std::optional<std::string> AskText(const TextPrompt& prompt) override;
    void StartTimer(int id, int periodMs) override;
    void StopTimer(int id) override;
    void RunOnUiThread(const std::function<void()>& call) override;
    void SetWaitCursor(bool on) override;
    void EndDialog(int result) override;

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void HandleCommand(int id, int code);
    bool PaintMinimised();
    void AddMenuItems();
    void UpdateMenuItems();
    bool HandleMenuCommand(WPARAM command);
    bool SetWaitCursorIfWaiting();
    void EndUnlessBusy(int result);
    HWND Control(ControlId id) const;
    OPENFILENAMEW FileDialogFor(const std::wstring& filter, const std::wstring& extension,
                                std::vector<wchar_t>& path) const;

    Options m_options;
    DialogEvents* m_events = nullptr;
    HWND m_window = nullptr;
    DWORD m_uiThread = 0;
    HICON m_icon = nullptr;
    HCURSOR m_cursorBeforeWait = nullptr;
    std::wstring m_fontFace;
    bool m_waitCursor = false;
};

}  // namespace tavro::ui
