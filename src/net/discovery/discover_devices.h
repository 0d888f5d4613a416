#pragma once

#include <string>

#include "net/discovery/device_record.h"
#include "net/discovery/discovery_options.h"
#include "net/socket.h"

namespace tavro {

// Broadcasts one probe from localAddress and fills table rows 0.. with every device that
// replied and answered its version query, until options.quietTime passes without a reply.
// Returns table.deviceCount, or -1 when the socket could not be set up or a wait failed.
int DiscoverDevices(DeviceTable& table, const std::string& localAddress,
                    const DiscoveryOptions& options = {});

// Receives one reply datagram into row (its versions start at 0). 1 on success; 0 when the
// receive failed or the datagram exceeded 30 bytes, the row then untouched.
int ReceiveDeviceReply(net::Socket& socket, DeviceRecord& row);

}  // namespace tavro
