#pragma once

// Sockets on the loopback interface for the socket tests: unicast only, ports the system picks.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <utility>

#include "net/socket.h"

namespace tavro::net::test {

inline const Ipv4Address kLoopback = kLoopbackAddress;

inline Socket BoundSocket(int type, std::uint16_t port = 0) {
    int error = -1;
    Socket socket = Socket::Create(type, error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(socket.Bind(Endpoint{kLoopback, port}), 0);
    return socket;
}

inline Endpoint LocalOf(const Socket& socket) {
    Endpoint local;
    EXPECT_EQ(socket.GetLocalEndpoint(local), 0);
    return local;
}

struct TcpPair {
    Socket client;
    Socket server;
};

inline TcpPair ConnectedPair() {
    using namespace std::chrono_literals;
    Socket listener = BoundSocket(kStreamSocket);
    EXPECT_EQ(listener.Listen(1), 0);
    Socket client = BoundSocket(kStreamSocket);
    EXPECT_EQ(client.Connect(LocalOf(listener), 3000ms), 0);
    int error = -1;
    Socket server = listener.Accept(3000ms, error);
    EXPECT_EQ(error, 0);
    return TcpPair{std::move(client), std::move(server)};
}

}  // namespace tavro::net::test
