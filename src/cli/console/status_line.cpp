#include "cli/console/status_line.h"

#include "cli/console/display_width.h"

namespace tavro::cli {

// The last column is left free: some terminals move to the next line once it is written.
void StatusLine::Show(const std::string& text) {
    job_.Show(err_, "\r" + FitToColumns(text, columns_ - 1) + "\x1b[K");
    open_ = true;
}

void StatusLine::End() {
    if (open_) job_.Show(err_, "\n");
    open_ = false;
}

}  // namespace tavro::cli
