#pragma once

#include <string>
#include <string_view>

#include "texts/language.h"

namespace tavro::texts {

// What a write with --verify says of a device coming back from its reset. `seconds` is the
// wait as the user gave it ("60", "0.3"), `version` as the device line shows it ("1.20").

// "waiting for DEVICE to come back (at most S s)", a line on its own.
std::string AwaitingComebackText(std::string_view device, std::string_view seconds,
                                 Language language);
// The same on the device's own line of several, where the address stands before it.
std::string AwaitingComebackShortText(Language language);
// "DEVICE came back with version V".
std::string CameBackText(std::string_view device, std::string_view version, Language language);
// "DEVICE did not come back within S s".
std::string NotBackText(std::string_view device, std::string_view seconds, Language language);
// What follows the outcome on a device's line of several: ", back with version V" or
// ", did not come back within S s".
std::string CameBackSuffix(std::string_view version, Language language);
std::string NotBackSuffix(std::string_view seconds, Language language);

// Why a device that took the image is not verified, as the cause of its record: it did not
// answer again, it never reset, it came back with a version that does not read, or this
// computer could not watch (localError, a socket code) and nothing is known of the device.
std::string NotBackCauseText(std::string_view seconds, Language language);
std::string NeverLeftText(Language language);
std::string UnreadableVersionText(Language language);
std::string WatchFailedText(int localError, Language language);
// The same after the outcome on a device's line of several.
std::string NeverLeftSuffix(Language language);
std::string UnreadableVersionSuffix(Language language);
std::string WatchFailedSuffix(int localError, Language language);

}  // namespace tavro::texts
