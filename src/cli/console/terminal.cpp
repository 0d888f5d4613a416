#include "cli/console/terminal.h"

#include <algorithm>

namespace tavro::cli {

TerminalSize SizeNow(const Terminal& terminal) {
    TerminalSize size = terminal.size ? terminal.size() : TerminalSize{};
    size.columns = std::max<std::size_t>(2, size.columns);
    size.rows = std::max<std::size_t>(1, size.rows);
    return size;
}

std::size_t RowsTaken(std::size_t width, std::size_t columns) {
    if (width == 0 || columns == 0) return 1;
    return (width + columns - 1) / columns;
}

std::string CursorUp(std::size_t rows) {
    return rows == 0 ? std::string() : "\x1b[" + std::to_string(rows) + "A";
}

}  // namespace tavro::cli
