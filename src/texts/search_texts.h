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

// Replies came from the interface of that name and address, yet no device could be listed:
// `devices` answered the probe and not the version query; `unasked` of them this computer
// could not even ask, for the reason of localError.
std::string UnansweredVersionText(int devices, int unasked, int localError,
                                  std::string_view interfaceName, std::string_view address,
                                  Language language);

// Beside a list: `unasked` more devices answered the probe, but this computer could not ask
// them for their version, for the reason of localError.
std::string UnaskedDevicesText(int unasked, int localError, Language language);

// Replies past the most one search keeps were received and dropped.
std::string RepliesLeftOutText(int leftOut, int kept, Language language);

// The machine has no interface to search or write from. In Japanese, the dialog's own words.
std::string NoInterfaceText(Language language);

}  // namespace tavro::texts
