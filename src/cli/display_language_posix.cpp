#include "cli/display_language.h"

namespace tavro::cli {

std::optional<std::string> DisplayLanguageLocale() { return std::nullopt; }

}  // namespace tavro::cli
