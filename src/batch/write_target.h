#pragma once

#include "batch/comeback_watch.h"
#include "net/ipv4_address.h"

namespace tavro::batch {

// A device to write, with what a search saw of it before the write, if one did.
struct WriteTarget {
    net::Ipv4Address address;
    ComebackWatch::Before before;
};

}  // namespace tavro::batch
