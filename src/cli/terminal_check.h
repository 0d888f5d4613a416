#pragma once

namespace tavro::cli {

// True when stderr is a terminal (a console on Windows), where progress may redraw its line.
bool StderrIsTerminal();

}  // namespace tavro::cli
