#pragma once

#include <optional>
#include <string>

namespace tavro::cli {

// The locale that the user's display language stands for, where the environment seldom names
// one: on Windows, where LANG is rarely set, "ja" when the display language is Japanese.
// nullopt where the environment's LANG speaks for itself (POSIX) or for other languages.
std::optional<std::string> DisplayLanguageLocale();

}  // namespace tavro::cli
