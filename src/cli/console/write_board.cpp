#include "cli/console/write_board.h"

#include <algorithm>

#include "cli/console/display_width.h"
#include "cli/console/wrapped_lines.h"

namespace tavro::cli {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr std::size_t kAddressWidth = 15;

bool Ended(BoardPhase phase) {
    return phase == BoardPhase::Succeeded || phase == BoardPhase::Failed;
}

}  // namespace

WriteBoard::WriteBoard(JobState& job, std::ostream& err, std::vector<std::string> devices,
                       const Terminal& terminal, texts::Language language)
    : job_(job),
      err_(err),
      devices_(std::move(devices)),
      terminal_(terminal),
      language_(language),
      rows_(devices_.size(), Row{texts::BoardWaitingText(language), BoardPhase::Waiting}) {}

void WriteBoard::Set(std::size_t device, std::string state, BoardPhase phase, bool milestone) {
    std::lock_guard lock(mutex_);
    if (device >= rows_.size() || Ended(rows_[device].phase)) return;
    if (rows_[device].state == state && rows_[device].phase == phase) return;
    rows_[device] = Row{std::move(state), phase};
    const bool ends = Ended(phase);
    if (!terminal_.cursorMoves) {
        // Never redrawn, so wrapped rather than cut: the percentage stays in sight.
        if (milestone || ends) {
            job_.Show(err_, WrapToColumns(LineOf(device) + "\n", SizeNow(terminal_).columns - 1));
        }
        return;
    }
    if (ends) unannounced_.push_back(device);
    pending_ = true;
    if (ends || !drawn_ || std::chrono::steady_clock::now() - lastDraw_ >= kRedrawInterval) {
        Draw();
    }
}

void WriteBoard::End() {
    std::lock_guard lock(mutex_);
    if (pending_) Draw();
}

// Back to the board's first row, the ends printed since the last redraw (once the board is
// too tall for all its devices), then every line of the board written again, and what an
// earlier, taller board left below erased.
void WriteBoard::Draw() {
    const TerminalSize size = SizeNow(terminal_);
    std::size_t taken = 0;
    for (const std::size_t width : frameWidths_) taken += RowsTaken(width, size.columns);
    // The row under the board is the cursor's.
    const std::size_t height = std::max<std::size_t>(1, size.rows - 1);
    if (rows_.size() > height) windowed_ = true;
    std::vector<std::string> ends;
    if (windowed_) {
        for (const std::size_t device : unannounced_) ends.push_back(LineOf(device));
        unannounced_.clear();
    }
    std::string text = CursorUp(taken);
    for (const std::string& line : ends) text += "\r\x1b[2K" + Fitted(line, size) + "\n";
    frameWidths_.clear();
    const std::vector<std::string> frame = FrameLines(height);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const std::string fitted = Fitted(frame[i], size);
        frameWidths_.push_back(DisplayColumns(fitted));
        // What an earlier, taller board left below goes too. Erased from the end of a line
        // written, never from the top left corner: some terminals (tmux) keep a screen erased
        // from there in their scrollback. The line end comes last, so that nothing (the notice
        // of an interrupt) takes the board's last line for an open one.
        text += "\r\x1b[2K" + fitted + (i + 1 == frame.size() ? "\x1b[J\n" : "\n");
    }
    job_.Show(err_, text);
    drawn_ = true;
    pending_ = false;
    lastDraw_ = std::chrono::steady_clock::now();
}

// The last column stays free: some terminals move to the next line once it is written.
std::string WriteBoard::Fitted(const std::string& line, const TerminalSize& size) const {
    return FitToColumns(line, size.columns - 1, terminal_.charset);
}

std::string WriteBoard::LineOf(std::size_t device) const {
    const std::string& address = devices_[device];
    return address + std::string(kAddressWidth - std::min(kAddressWidth, address.size()), ' ') +
           "  " + rows_[device].state;
}

std::vector<std::string> WriteBoard::FrameLines(std::size_t height) const {
    if (windowed_) return WindowLines(height);
    std::vector<std::string> lines;
    for (std::size_t device = 0; device < rows_.size(); ++device) lines.push_back(LineOf(device));
    return lines;
}

// The devices at work first, then those coming back, then those not started, as many as fit
// above the tally.
std::vector<std::string> WriteBoard::WindowLines(std::size_t height) const {
    std::vector<std::string> lines;
    for (const BoardPhase phase :
         {BoardPhase::Writing, BoardPhase::ComingBack, BoardPhase::Waiting}) {
        for (std::size_t device = 0; device < rows_.size() && lines.size() + 1 < height; ++device) {
            if (rows_[device].phase == phase) lines.push_back(LineOf(device));
        }
    }
    lines.push_back(texts::BoardTallyText(Counts(), language_));
    return lines;
}

texts::BoardCounts WriteBoard::Counts() const {
    texts::BoardCounts counts;
    for (const Row& row : rows_) {
        switch (row.phase) {
            case BoardPhase::Waiting:
                ++counts.waiting;
                break;
            case BoardPhase::Writing:
                ++counts.writing;
                break;
            case BoardPhase::ComingBack:
                ++counts.comingBack;
                break;
            case BoardPhase::Failed:
                ++counts.failed;
                ++counts.done;
                break;
            case BoardPhase::Succeeded:
                ++counts.done;
                break;
        }
    }
    return counts;
}

}  // namespace tavro::cli
