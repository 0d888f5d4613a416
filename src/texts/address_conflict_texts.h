#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "texts/language.h"

namespace tavro::texts {

// What a write says of an address at which several devices answered. `macs` are the hardware
// addresses as they are shown ("02:00:5e:00:00:0a").

// Why the device was not written: "2 devices answer at DEVICE (M1, M2); none was written, as
// the image could reach any of them".
std::string AddressConflictText(std::string_view device, const std::vector<std::string>& macs,
                                Language language);
// The same on the device's own line of several, where the address stands before it.
std::string AddressConflictShortText(Language language);

}  // namespace tavro::texts
