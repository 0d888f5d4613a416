#include "cli/console/term_capability.h"

namespace tavro::cli {

bool TermTakesCursorMoves(std::optional<std::string_view> term) {
    return term && !term->empty() && *term != "dumb";
}

}  // namespace tavro::cli
