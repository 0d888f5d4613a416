#include "fake_controls.h"

#include <algorithm>

namespace tavro::ui::test {

FakeControls::FakeControls() : uiThread_(std::this_thread::get_id()) {}

void FakeControls::CheckUiThread() {
    if (!OnUiThread()) callOffUiThread = true;
}

void FakeControls::SetDialogIcon() { iconSet = true; }

void FakeControls::Enable(ControlId id, bool enable) {
    CheckUiThread();
    controls_[id].enabled = enable;
}

void FakeControls::Show(ControlId id, bool show) {
    CheckUiThread();
    controls_[id].visible = show;
}

void FakeControls::SetText(ControlId id, const std::string& text) {
    CheckUiThread();
    controls_[id].text = text;
}

void FakeControls::AddLine(ControlId id, const std::string& line) {
    CheckUiThread();
    controls_[id].lines.push_back(line);
}

void FakeControls::DeleteLine(ControlId id, int index) {
    CheckUiThread();
    auto& control = controls_[id];
    if (index < 0 || index >= static_cast<int>(control.lines.size())) return;
    control.lines.erase(control.lines.begin() + index);
    if (control.selected == index) control.selected = -1;
    if (control.selected > index) --control.selected;
}

void FakeControls::ClearLines(ControlId id) {
    CheckUiThread();
    controls_[id].lines.clear();
    controls_[id].selected = -1;
}

int FakeControls::SelectedLine(ControlId id) {
    CheckUiThread();
    return controls_[id].selected;
}

void FakeControls::SelectLine(ControlId id, int index) {
    CheckUiThread();
    auto& control = controls_[id];
    control.selected = (index >= 0 && index < static_cast<int>(control.lines.size())) ? index : -1;
}

void FakeControls::SetProgressRange(int low, int high) {
    CheckUiThread();
    progressLow = low;
    progressHigh = high;
}

void FakeControls::SetProgressPosition(int position) {
    CheckUiThread();
    progressPosition = position;
    progressHistory.push_back(position);
}

void FakeControls::AppendToLog(const std::string& text) {
    CheckUiThread();
    controls_[ControlId::log].text += text;
}

MessageAnswer FakeControls::ShowMessage(const std::string& text, const std::string& detail,
                                        MessageButtons buttons) {
    CheckUiThread();
    messages.push_back(text);
    messageDetails.push_back(detail);
    messageButtons.push_back(buttons);
    if (buttons == MessageButtons::ok || answers.empty()) return MessageAnswer::ok;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeControls::ShowErrorBox(const std::string& text) {
    std::lock_guard lock(errorMutex_);
    errorBoxes.push_back(text);
}

std::optional<std::string> FakeControls::AskOpenFile(const FileOpenRequest& request) {
    CheckUiThread();
    ++fileDialogs;
    lastFileRequest = request;
    return chosenFile;
}

std::optional<std::string> FakeControls::AskSaveFile(const FileSaveRequest& /*request*/) {
    CheckUiThread();
    return chosenSaveFile;
}

std::optional<std::string> FakeControls::AskText(const TextPrompt& prompt) {
    CheckUiThread();
    prompts.push_back(prompt);
    if (typedTexts.empty()) return std::nullopt;
    std::optional<std::string> typed = typedTexts.front();
    typedTexts.pop_front();
    return typed;
}

void FakeControls::StartTimer(int id, int /*periodMs*/) {
    CheckUiThread();
    runningTimers.insert(id);
    ++timerStarts;
}

void FakeControls::StopTimer(int id) {
    CheckUiThread();
    runningTimers.erase(id);
}

void FakeControls::RunOnUiThread(const std::function<void()>& call) {
    if (OnUiThread()) {
        call();
        return;
    }
    std::function<void()> waiting = call;
    std::unique_lock lock(queueMutex_);
    pending_.push_back(&waiting);
    queueChanged_.notify_all();
    queueChanged_.wait(lock, [&] {
        return std::find(pending_.begin(), pending_.end(), &waiting) == pending_.end();
    });
}

void FakeControls::SetWaitCursor(bool on) {
    CheckUiThread();
    waitCursorDepth += on ? 1 : -1;
    waitCursorSeen = waitCursorSeen || on;
}

void FakeControls::EndDialog(int result) {
    CheckUiThread();
    endResult = result;
}

bool FakeControls::PumpUntil(DialogEvents& events, const std::function<bool()>& done,
                             std::chrono::milliseconds limit, bool ticks) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait_for(lock, std::chrono::milliseconds(1),
                                   [&] { return !pending_.empty(); });
            while (!pending_.empty()) {
                (*pending_.front())();
                pending_.pop_front();
                queueChanged_.notify_all();
            }
        }
        if (!ticks) continue;
        for (int id : std::set<int>(runningTimers)) events.OnTimer(id);
    }
    return done();
}

}  // namespace tavro::ui::test
