#pragma once

#include <vector>

#include "batch/device_outcome.h"
#include "batch/seen_before.h"
#include "net/ipv4_address.h"

namespace tavro::batch {

// A device to write, with what a search saw of it before the write, if one did.
struct WriteTarget {
    net::Ipv4Address address;
    SeenBefore before;
    // Every hardware address a search of the run saw at this address, when there were two or
    // more: the batch does not write it.
    std::vector<Mac> conflict;
};

}  // namespace tavro::batch
