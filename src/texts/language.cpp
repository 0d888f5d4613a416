#include "texts/language.h"

namespace tavro::texts {

Language LanguageFromEnvironment(const EnvironmentLookup& environment) {
    for (const std::string_view name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::optional<std::string> value = environment(name);
        if (!value || value->empty()) continue;
        return value->starts_with("ja") ? Language::Japanese : Language::English;
    }
    return Language::English;
}

}  // namespace tavro::texts
