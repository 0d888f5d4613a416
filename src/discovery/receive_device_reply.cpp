#include <array>

#include "discovery/discover_devices.h"
#include "discovery/fill_device_row.h"

namespace tavro::discovery {

int ReceiveDeviceReply(net::Socket& socket, DeviceRecord& row) {
    std::array<char, kDeviceReplySize> reply{};
    net::Endpoint from;
    const net::IoResult received = socket.ReceiveFrom(reply, from);
    if (!received.ok()) {
        return 0;
    }
    FillDeviceRow(std::span<const char>(reply.data(), received.count), from, row);
    return 1;
}

}  // namespace tavro::discovery
