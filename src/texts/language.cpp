#include "texts/language.h"

#include <initializer_list>

namespace tavro::texts {
namespace {

// The parts of a locale name, language[_territory][.codeset][@modifier], that matter here.
struct LocaleName {
    std::string_view language;
    std::optional<std::string_view> codeset;  // none named
};

LocaleName ReadLocaleName(std::string_view name) {
    name = name.substr(0, name.find('@'));
    LocaleName read;
    const std::size_t dot = name.find('.');
    if (dot != std::string_view::npos) read.codeset = name.substr(dot + 1);
    const std::string_view head = name.substr(0, dot);
    read.language = head.substr(0, head.find('_'));
    return read;
}

// "UTF-8", "utf8", "utf-8": the case and the hyphen are the writer's choice.
bool IsUtf8(std::string_view codeset) {
    std::string folded;
    for (const char c : codeset) {
        if (c == '-' || c == '_') continue;
        folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return folded == "utf8";
}

// The first of the variables that is set and not empty.
std::optional<std::string> FirstSet(const EnvironmentLookup& environment,
                                    std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        std::optional<std::string> value = environment(name);
        if (value && !value->empty()) return value;
    }
    return std::nullopt;
}

}  // namespace

Language LanguageFromEnvironment(const EnvironmentLookup& environment) {
    const std::optional<std::string> messages =
        FirstSet(environment, {"LC_ALL", "LC_MESSAGES", "LANG"});
    if (!messages) return Language::English;
    const LocaleName named = ReadLocaleName(*messages);
    if (named.language != "ja" || (named.codeset && !IsUtf8(*named.codeset))) {
        return Language::English;
    }
    // The terminal takes the character locale's codeset: Japanese in UTF-8 bytes would be
    // garbage on one that reads EUC-JP, Shift_JIS or ASCII.
    return CharactersAreUtf8(environment) ? Language::Japanese : Language::English;
}

bool CharactersAreUtf8(const EnvironmentLookup& environment) {
    const std::optional<std::string> characters =
        FirstSet(environment, {"LC_ALL", "LC_CTYPE", "LANG"});
    if (!characters) return false;
    const LocaleName shown = ReadLocaleName(*characters);
    if (shown.codeset) return IsUtf8(*shown.codeset);
    return shown.language != "C" && shown.language != "POSIX";
}

}  // namespace tavro::texts
