#pragma once

#include <string>
#include <string_view>

namespace tavro::ui {

// The window speaks UTF-16, the core UTF-8. Bytes that are not UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace tavro::ui
