#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "net/socket.h"

namespace tavro::test {

// A device's version port on 127.0.0.1: accepts one connection, reads the request, writes
// the scripted bytes, then closes or keeps silent, and records every byte it was sent.
class ScriptedPeer {
public:
    enum class After { Close, StaySilent };

    explicit ScriptedPeer(std::string answer, After after = After::Close);
    ~ScriptedPeer();

    std::uint16_t port() const { return port_; }
    // Everything the client sent, complete once the client has closed its side.
    std::string Received();

private:
    void Serve();

    std::string answer_;
    After after_;
    net::Socket listener_;
    std::uint16_t port_ = 0;
    std::string received_;
    std::thread thread_;
};

}  // namespace tavro::test
