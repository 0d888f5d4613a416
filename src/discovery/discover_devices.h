#pragma once

#include "discovery/device_table.h"
#include "discovery/discovery_options.h"
#include "discovery/search_outcome.h"
#include "net/socket.h"

namespace tavro::discovery {

// Broadcasts one probe from localAddress and lists every device that replied and answered its
// version query, in the order of the replies, in table rows 0... Each reply's query starts as
// the reply comes in and runs beside the others.
//
// The search takes datagrams until options.quietTime has passed since the last one with no
// query running, and for at most options.searchBound after the probe; then the queries still
// running get what is left of their own bound. Replies that find the list full are received
// and dropped.
//
// Returns table.deviceCount, or -1 when the socket could not be set up or a wait failed.
// outcome, when given, also learns how many replies were left out and whether the bound
// ended the search.
int DiscoverDevices(DeviceTable& table, net::Ipv4Address localAddress,
                    const DiscoveryOptions& options = {}, SearchOutcome* outcome = nullptr);

// Receives one reply datagram into row (its versions start at 0). 1 on success; 0 when the
// receive failed or the datagram exceeded 30 bytes, the row then untouched.
int ReceiveDeviceReply(net::Socket& socket, DeviceRecord& row);

}  // namespace tavro::discovery
