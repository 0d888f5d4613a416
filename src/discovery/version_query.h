#pragma once

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"
#include "net/ipv4_address.h"

namespace tavro::discovery {

// Asks the device at row.addressText for its versions over TCP from localAddress and stores
// the numbers its answer carries. 1 when it answered two CR-ended lines, else 0. The whole
// dialogue, from the start of the connect to the end of the answer, takes at most
// options.versionTimeout. A search runs many of these side by side (VersionQueries).
int QueryDeviceVersion(DeviceRecord& row, net::Ipv4Address localAddress,
                       const DiscoveryOptions& options = {});

}  // namespace tavro::discovery
