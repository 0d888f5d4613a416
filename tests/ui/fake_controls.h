#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ui/dialog_controls.h"

namespace tavro::ui::test {

// An in-memory dialog window. The thread that makes it plays the UI thread: calls from other
// threads wait in a queue until the test pumps it, as window messages wait for the UI thread.
class FakeControls : public DialogControls {
public:
    struct Control {
        bool enabled = true;
        bool visible = true;
        std::string text;
        std::vector<std::string> lines;
        int selected = -1;
    };

    FakeControls();

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

    // The UI thread's message loop: runs waiting calls and, with ticks, delivers a tick to
    // every running timer, until done() holds or the limit passes. Returns done().
    bool PumpUntil(DialogEvents& events, const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(10), bool ticks = true);

    Control& operator[](ControlId id) { return controls_[id]; }
    bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

    // What the dialog did.
    bool iconSet = false;
    int progressLow = -1;
    int progressHigh = -1;
    int progressPosition = -1;
    std::vector<int> progressHistory;
    std::vector<std::string> messages;
    std::vector<std::string> messageDetails;  // beside messages, "" where a box had none
    std::vector<MessageButtons> messageButtons;
    std::vector<std::string> errorBoxes;
    int fileDialogs = 0;
    FileOpenRequest lastFileRequest;
    std::set<int> runningTimers;
    int timerStarts = 0;
    std::optional<int> endResult;
    int waitCursorDepth = 0;
    bool waitCursorSeen = false;
    bool callOffUiThread = false;  // a control was touched from another thread

    // How the user answers.
    std::deque<MessageAnswer> answers;  // for OK/Cancel questions; OK when empty
    std::optional<std::string> chosenFile;
    std::optional<std::string> chosenSaveFile;
    std::deque<std::optional<std::string>>
        typedTexts;  // prompts answered in order; Cancel when empty
    std::vector<TextPrompt> prompts;

private:
    void CheckUiThread();

    std::thread::id uiThread_;
    std::map<ControlId, Control> controls_;
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<std::function<void()>*> pending_;
    std::mutex errorMutex_;
};

}  // namespace tavro::ui::test
