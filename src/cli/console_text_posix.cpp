#include "cli/console_text.h"

namespace tavro::cli {

void ShowUtf8OnConsole() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace tavro::cli
