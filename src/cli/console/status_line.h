#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "cli/console/terminal.h"
#include "cli/job_state.h"

namespace tavro::cli {

// One line of a terminal redrawn in place: each text replaces the last, cut to the terminal's
// width as it is at that moment (a line that wrapped could not be redrawn) with the rest of
// the line erased. On a terminal that cannot redraw, each milestone is a line of its own,
// wrapped to the width.
class StatusLine {
public:
    StatusLine(JobState& job, std::ostream& err, const Terminal& terminal)
        : job_(job), err_(err), terminal_(terminal) {}

    void Show(const std::string& text, bool milestone = true);
    // Leaves the line as it stands and moves below it.
    void End();

private:
    JobState& job_;
    std::ostream& err_;
    const Terminal& terminal_;
    bool open_ = false;
    std::size_t shownWidth_ = 0;  // of the line as it stands
};

}  // namespace tavro::cli
