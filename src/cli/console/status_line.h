#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "cli/job_state.h"

namespace tavro::cli {

// One line of a terminal redrawn in place: each text replaces the last, cut to the terminal's
// width (a line that wrapped could not be redrawn) with the rest of the line erased.
class StatusLine {
public:
    StatusLine(JobState& job, std::ostream& err, std::size_t columns)
        : job_(job), err_(err), columns_(columns) {}

    void Show(const std::string& text);
    // Leaves the line as it stands and moves below it.
    void End();

private:
    JobState& job_;
    std::ostream& err_;
    std::size_t columns_;
    bool open_ = false;
};

}  // namespace tavro::cli
