#include "version_server.h"

#include "net/socket_error.h"

namespace tavro::test {

using namespace std::chrono_literals;

namespace {

constexpr std::size_t kRequestSize = 5;
constexpr auto kStopCheck = 20ms;

}  // namespace

VersionServer::VersionServer(const std::string& address, std::uint16_t port, VersionScript script)
    : script_(std::move(script)) {
    int error = 0;
    listener_ = net::Socket::Create(net::kStreamSocket, error);
    const auto local = net::Ipv4Address::Parse(address);
    net::Endpoint bound;
    listening_ = error == 0 && local && listener_.Bind(net::Endpoint{*local, port}) == 0 &&
                 listener_.Listen(512) == 0 && listener_.GetLocalEndpoint(bound) == 0;
    port_ = bound.port;
    if (listening_) {
        thread_ = std::thread([this] { Serve(); });
    }
}

VersionServer::~VersionServer() {
    stop_.store(true);
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<std::string> VersionServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

void VersionServer::Serve() {
    while (!Stopping()) {
        int error = 0;
        net::Socket connection = listener_.Accept(kStopCheck, error);
        if (connection.valid()) {
            Answer(connection);
        }
    }
}

void VersionServer::Answer(net::Socket& connection) {
    std::string request;
    char area[64];
    while (request.size() < kRequestSize && !Stopping()) {
        const net::IoResult got = connection.ReceiveWithin(area, kStopCheck);
        if (got.ok() && got.count == 0) return;
        if (got.ok()) request.append(area, got.count);
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    const auto waitUntil = [this](std::chrono::steady_clock::time_point until) {
        while (!Stopping() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
                kStopCheck, until - std::chrono::steady_clock::now()));
        }
    };
    if (script_.silent) {
        // Holds the connection until the client gives up on it.
        while (!Stopping()) {
            const net::IoResult got = connection.ReceiveWithin(area, kStopCheck);
            if (got.error == net::kErrorTimedOut) continue;
            if (!got.ok() || got.count == 0) return;
        }
        return;
    }
    waitUntil(std::chrono::steady_clock::now() + script_.delay);
    if (script_.trickle.count() == 0) {
        connection.SendAll(script_.answer);
        return;
    }
    for (const char byte : script_.answer) {
        if (Stopping() || !connection.SendAll({&byte, 1}).ok()) return;
        waitUntil(std::chrono::steady_clock::now() + script_.trickle);
    }
}

}  // namespace tavro::test
