#pragma once

#include <chrono>
#include <span>

#include "log/log_sink.h"
#include "net/socket.h"

namespace tavro::upload {

// Receives the device's next datagram, waiting no later than the deadline. Only the device's
// address is heard: a datagram from any other address is traced, left, and the wait goes on to
// the same deadline ("recvfrom: " is traced again before it). A reply from another port of the
// device's address is taken, and `device` then names that port, so later sends go there.
// 10060 when the deadline passes with nothing of the device's waiting (what came before it is
// read, however late this process looks); 10040 for a datagram of the device too long for the
// area.
net::IoResult ReceiveDeviceDatagram(net::Socket& udp, std::span<char> area, net::Endpoint& device,
                                    LogSink& log, std::chrono::steady_clock::time_point deadline);

}  // namespace tavro::upload
