#pragma once

#include <chrono>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "cli/job_state.h"

namespace tavro::cli {

// A write to several devices on a terminal: one line per device, redrawn in place as the
// devices move on (at most ten times a second, but at once when a device's part ends). Each
// line is cut to the terminal's width, so that none wraps and the redraw finds its lines.
class WriteBoard {
public:
    // Devices as the terminal shows them (already escaped).
    WriteBoard(JobState& job, std::ostream& err, std::vector<std::string> devices,
               std::size_t columns);

    void Set(std::size_t device, std::string state, bool final = false);
    // Draws what a throttled change left undrawn.
    void End();

private:
    void Draw();

    std::mutex mutex_;
    JobState& job_;
    std::ostream& err_;
    std::vector<std::string> devices_;
    std::size_t columns_;
    std::vector<std::string> states_;
    bool drawn_ = false;
    bool pending_ = false;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace tavro::cli
