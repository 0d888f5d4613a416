#include "cli/console/status_line.h"

#include "cli/console/display_width.h"
#include "cli/console/wrapped_lines.h"

namespace tavro::cli {

// The last column is left free: some terminals move to the next line once it is written.
void StatusLine::Show(const std::string& text, bool milestone) {
    const TerminalSize size = SizeNow(terminal_);
    if (!terminal_.cursorMoves) {
        // Never redrawn, so wrapped rather than cut: the percentage stays in sight.
        if (milestone) job_.Show(err_, WrapToColumns(text + "\n", size.columns - 1));
        return;
    }
    const std::string line = FitToColumns(text, size.columns - 1, terminal_.charset);
    // A window narrowed since the last redraw may have wrapped that line onto several rows.
    const std::size_t rows = open_ ? RowsTaken(shownWidth_, size.columns) : 1;
    job_.Show(err_, CursorUp(rows - 1) + "\r" + line + (rows > 1 ? "\x1b[J" : "\x1b[K"));
    open_ = true;
    shownWidth_ = DisplayColumns(line);
}

void StatusLine::End() {
    if (open_) job_.Show(err_, "\n");
    open_ = false;
}

}  // namespace tavro::cli
