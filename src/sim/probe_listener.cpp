#include "sim/probe_listener.h"

#include "net/ipv4_address.h"
#include "sim/bounded_wait.h"
#include "sim/quoted.h"
#include "sim/reuse_address.h"

namespace tavro::sim {
namespace {

constexpr std::string_view kProbe = "TV";
constexpr std::string_view kListener = "*";

}  // namespace

int ProbeListener::Bind() {
    int error = 0;
    socket_ = net::Socket::Create(net::kDatagramSocket, error);
    if (error != 0) return error;
    ReuseAddress(socket_);
    socket_.SetBroadcast(true);
    return socket_.Bind(net::Endpoint{net::kAnyAddress, kProbePort});
}

void ProbeListener::Run(std::stop_token stop) {
    char area[1500];
    while (!stop.stop_requested()) {
        if (WaitReadable(socket_, std::chrono::milliseconds(200), stop) != WaitOutcome::Ready) {
            continue;
        }
        net::Endpoint prober;
        const net::IoResult got = socket_.ReceiveFrom(area, prober);
        if (!got.ok()) {
            events_.Record(kListener, "receive-failed", std::to_string(got.error));
            continue;
        }
        const std::string_view datagram(area, got.count);
        if (datagram != kProbe) {
            events_.Record(kListener, "unexpected-datagram",
                           EndpointText(prober) + " " + Quoted(datagram));
            continue;
        }
        events_.Record(kListener, "probe", EndpointText(prober) + " " + Quoted(datagram));
        for (auto& device : devices_) device->Offer(prober);
    }
}

}  // namespace tavro::sim
