#include <windows.h>

#include "cli/display_language.h"

namespace tavro::cli {

std::optional<std::string> DisplayLanguageLocale() {
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE) return "ja";
    return std::nullopt;
}

}  // namespace tavro::cli
