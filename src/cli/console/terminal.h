#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "cli/console/display_width.h"

namespace tavro::cli {

struct TerminalSize {
    std::size_t columns = 80;
    std::size_t rows = 24;
};

// What the console views know of the terminal they write to.
struct Terminal {
    // Asked again at every redraw: the window may change size while a write runs.
    std::function<TerminalSize()> size = [] { return TerminalSize{}; };
    // It moves the cursor and erases on request; otherwise progress goes out as whole lines
    // that are never redrawn.
    bool cursorMoves = true;
    // What it reads: decorations (the mark of a cut line) are ASCII unless it reads UTF-8.
    Charset charset = Charset::Utf8;
    // Which outputs it shows; the final lines written to it are wrapped to its width.
    bool showsStdout = false;
    bool showsStderr = false;
};

// The size now, with at least two columns (one to write in, the last left free) and one row.
TerminalSize SizeNow(const Terminal& terminal);

// The rows a line of `width` columns takes on a terminal `columns` wide that wraps long lines
// (as most do when a window narrows under lines already written).
std::size_t RowsTaken(std::size_t width, std::size_t columns);

// Moves the cursor `rows` up, or nothing for none.
std::string CursorUp(std::size_t rows);

}  // namespace tavro::cli
