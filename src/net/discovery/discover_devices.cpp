#include "net/discovery/discover_devices.h"

#include <sys/socket.h>

#include <optional>

#include "net/discovery/version_query.h"

namespace tavro {

namespace {

constexpr char kProbe[] = {'T', 'V'};
constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFFu;

std::optional<net::Socket> OpenProbeSocket(const std::string& localAddress,
                                           const DiscoveryOptions& options) {
    const auto local = net::ParseIPv4(localAddress);
    if (!local) {
        return std::nullopt;
    }
    int error = 0;
    net::Socket socket = net::Socket::Create(SOCK_DGRAM, error);
    if (error != 0 || socket.Bind(net::Endpoint{*local, 0}) != 0) {
        return std::nullopt;
    }
    // Failures here only mean that no reply comes; the quiet wait then ends the search.
    socket.SetBroadcast(true);
    socket.SetReceiveTimeout(options.quietTime);
    return socket;
}

// Handles one waiting reply: the next free row takes it, and it counts once the device has
// also answered its version query. A full table still takes the datagram off the queue.
void HandleReply(net::Socket& socket, DeviceTable& table, const std::string& localAddress,
                 const DiscoveryOptions& options) {
    if (table.deviceCount >= DeviceTable::kCapacity) {
        DeviceRecord discarded;
        ReceiveDeviceReply(socket, discarded);
        return;
    }
    DeviceRecord& row = table.rows[static_cast<std::size_t>(table.deviceCount)];
    if (ReceiveDeviceReply(socket, row) == 1 &&
        QueryDeviceVersion(row, localAddress, options) == 1) {
        ++table.deviceCount;
    }
}

}  // namespace

int DiscoverDevices(DeviceTable& table, const std::string& localAddress,
                    const DiscoveryOptions& options) {
    table.deviceCount = 0;
    std::optional<net::Socket> socket = OpenProbeSocket(localAddress, options);
    if (!socket) {
        return -1;
    }
    socket->SendTo(kProbe, net::Endpoint{kLimitedBroadcast, options.probePort});

    while (true) {
        // Each wait is a full quiet stretch from its own start.
        bool readable = false;
        if (socket->WaitReadable(options.quietTime, readable) != 0) {
            return -1;
        }
        if (!readable) {
            return table.deviceCount;
        }
        HandleReply(*socket, table, localAddress, options);
    }
}

}  // namespace tavro
