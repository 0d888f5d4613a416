#include "sim/stranger_connection.h"

#include <string>

#include "sim/bounded_wait.h"
#include "sim/quoted.h"

namespace tavro::sim {

StrangerConnection::~StrangerConnection() {
    if (reader_.joinable()) reader_.join();
}

bool StrangerConnection::Open(const net::Endpoint& writer) {
    int error = 0;
    connection_ = net::Socket::Create(net::kStreamSocket, error);
    if (error == 0) error = connection_.Bind(net::Endpoint{settings_.strangerConnect, 0});
    if (error == 0) error = ConnectWithin(connection_, writer, kPeerLimit, stop_);
    if (error != 0) {
        events_.Record(settings_.addressText, "stranger-connect-failed",
                       EndpointText(writer) + " " + std::to_string(error));
        return false;
    }
    net::Endpoint local;
    connection_.GetLocalEndpoint(local);
    events_.Record(settings_.addressText, "stranger-connected",
                   EndpointText(writer) + " from " + EndpointText(local));
    reader_ = std::thread([this] { Read(); });
    return true;
}

void StrangerConnection::Read() {
    std::uint64_t received = 0;
    char area[4096];
    while (WaitReadable(connection_, kPeerLimit, stop_) == WaitOutcome::Ready) {
        const net::IoResult got = connection_.Receive(area);
        if (!got.ok() || got.count == 0) break;
        received += got.count;
    }
    events_.Record(settings_.addressText, "stranger-received", std::to_string(received));
}

}  // namespace tavro::sim
