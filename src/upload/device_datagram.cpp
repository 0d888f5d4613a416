#include "upload/device_datagram.h"

#include <algorithm>

#include "log/append_log.h"
#include "net/socket_error.h"

namespace tavro::upload {
namespace {

// Past the deadline the datagrams that came before it are still read, strangers' among them,
// but no more than these: a flood must not keep the wait going.
constexpr int kLateDatagrams = 64;

}  // namespace

net::IoResult ReceiveDeviceDatagram(net::Socket& udp, std::span<char> area, net::Endpoint& device,
                                    LogSink& log, std::chrono::steady_clock::time_point deadline) {
    int late = 0;
    while (true) {
        const auto left = std::max(std::chrono::milliseconds(0),
                                   std::chrono::ceil<std::chrono::milliseconds>(
                                       deadline - std::chrono::steady_clock::now()));
        if (left.count() == 0 && ++late > kLateDatagrams) {
            return net::IoResult{0, net::kErrorTimedOut};
        }
        net::Endpoint from;
        const net::IoResult received = udp.ReceiveFromWithin(area, from, left);
        const bool taken = received.ok() || received.error == net::kErrorMessageSize;
        if (!taken) return received;
        if (from.address == device.address) {
            if (received.ok()) device = from;
            return received;
        }
        // Anyone on the network can answer; only the device may steer the upload.
        AppendLog(log, "ignored datagram from %s:%d\r\n", from.address.ToString().c_str(),
                  static_cast<int>(from.port));
        AppendLog(log, "recvfrom: ");
    }
}

}  // namespace tavro::upload
