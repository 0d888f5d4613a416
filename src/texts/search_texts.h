#pragma once

#include <string>
#include <string_view>

#include "discovery/search_outcome.h"
#include "texts/language.h"

namespace tavro::texts {

// The one line that tells the user what a search left out (replies past the full list, or a
// search cut short by its total bound), without a line break; empty when there is nothing to
// tell.
std::string SearchNoticeText(const discovery::SearchOutcome& outcome, Language language);

// A search that listed nothing, from the interface of that name and address.
std::string NoDeviceAnsweredText(std::string_view interfaceName, std::string_view address,
                                 Language language);

// The machine has no interface to search or write from. In Japanese, the dialog's own words.
std::string NoInterfaceText(Language language);

}  // namespace tavro::texts
