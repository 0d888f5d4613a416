#pragma once

#include <chrono>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "cli/console/terminal.h"
#include "cli/job_state.h"
#include "texts/board_texts.h"
#include "texts/language.h"

namespace tavro::cli {

// Where a device of the board stands.
enum class BoardPhase { Waiting, Writing, ComingBack, Succeeded, Failed };

// A write to several devices on a terminal: one line per device, redrawn in place as the
// devices move on (at most ten times a second, but at once when a device's part ends). Each
// line is cut to the terminal's width as it is at that redraw, so that none wraps and the
// redraw finds its lines. The board is never taller than the terminal (it could not reach its
// rows that scrolled off): with more devices than rows, each device that ends is printed once
// above the board, which shows the devices at work and one line that counts them all. On a
// terminal that cannot redraw, each device's milestones and its end are lines of their own,
// wrapped to the width.
class WriteBoard {
public:
    // Devices as the terminal shows them (already escaped).
    WriteBoard(JobState& job, std::ostream& err, std::vector<std::string> devices,
               const Terminal& terminal, texts::Language language);

    // A device's end stands: nothing set after it changes the device's line.
    void Set(std::size_t device, std::string state, BoardPhase phase, bool milestone = true);
    // Draws what a throttled change left undrawn.
    void End();

private:
    struct Row {
        std::string state;
        BoardPhase phase = BoardPhase::Waiting;
    };

    void Draw();
    std::string LineOf(std::size_t device) const;
    std::string Fitted(const std::string& line, const TerminalSize& size) const;
    std::vector<std::string> FrameLines(std::size_t height) const;
    std::vector<std::string> WindowLines(std::size_t height) const;
    texts::BoardCounts Counts() const;

    std::mutex mutex_;
    JobState& job_;
    std::ostream& err_;
    std::vector<std::string> devices_;
    const Terminal& terminal_;
    texts::Language language_;
    std::vector<Row> rows_;
    std::vector<std::size_t> unannounced_;  // ended, in that order, not yet printed above
    bool windowed_ = false;                 // once too tall, for good: ends were printed above
    std::vector<std::size_t> frameWidths_;  // of each line of the board as it stands
    bool pending_ = false;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace tavro::cli
