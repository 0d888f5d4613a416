#include "scripted_device.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <stdexcept>

#include "firmware_files.h"
#include "net/nonblocking_io.h"
#include "net/socket_error.h"
#include "receive_buffer.h"

namespace tavro::test {
namespace {

constexpr net::Ipv4Address kLoopback = net::kLoopbackAddress;
constexpr net::Ipv4Address kStrangerAddress = net::Ipv4Address::FromOctets(127, 0, 0, 2);

net::Socket BoundUdpSocket(int& port, net::Ipv4Address address = kLoopback) {
    int error = 0;
    net::Socket socket = net::Socket::Create(net::kDatagramSocket, error);
    net::Endpoint local;
    if (!socket.valid() || socket.Bind({address, 0}) != 0 || socket.GetLocalEndpoint(local) != 0) {
        throw std::runtime_error("device cannot bind its UDP socket");
    }
    port = local.port;
    return socket;
}

bool ReceiveDatagram(net::Socket& socket, std::chrono::milliseconds patience, std::string& text,
                     net::Endpoint& from) {
    std::array<char, 512> area{};
    socket.SetReceiveTimeout(patience);
    const net::IoResult received = socket.ReceiveFrom(area, from);
    if (!received.ok()) return false;
    text.assign(area.data(), received.count);
    return true;
}

void SendDatagram(net::Socket& socket, const std::string& text, const net::Endpoint& to) {
    socket.SendTo(text, to);
}

// Whether the peer closed or reset the connection within the limit, with the bytes it sent
// still unread.
bool HungUpWithin(net::Socket& connection, std::chrono::milliseconds limit) {
    net::SocketWait entry{connection.fd(), net::kPeerClosed, 0};
    return net::WaitForSockets(std::span(&entry, 1), limit) == 0 && entry.seen != 0;
}

}  // namespace

std::string ExpectedResponse(const std::string& password, const std::string& nonce,
                             const std::string& cnonce) {
    return ReferenceMd5Hex(ReferenceMd5Hex(password) + ":" + nonce + ":" + cnonce);
}

ScriptedDevice::ScriptedDevice(DeviceScript script)
    : script_(std::move(script)), udp_(BoundUdpSocket(port_)) {
    thread_ = std::thread([this] { Run(); });
}

ScriptedDevice::~ScriptedDevice() {
    if (thread_.joinable()) thread_.join();
}

const DeviceLog& ScriptedDevice::Finish() {
    if (thread_.joinable()) thread_.join();
    return log_;
}

void ScriptedDevice::Run() {
    Play();
    WatchEarly();
}

void ScriptedDevice::Play() {
    net::Endpoint tool;
    if (!ReadInvitations(tool)) return;
    if (script_.challenge) {
        if (!Challenge(tool)) return;
    } else {
        if (script_.reply.starts_with("OK") && script_.beforeConsenting) {
            script_.beforeConsenting();
        }
        int otherPort = 0;
        net::Socket other;
        if (script_.replyFromOtherPort) other = BoundUdpSocket(otherPort);
        SendDatagram(script_.replyFromOtherPort ? other : udp_, script_.reply, tool);
        if (!script_.reply.starts_with("OK")) return;
    }
    if (script_.strangerConnectsFirst) StrangerConnects();
    if (!script_.connectBack) return;

    net::Socket connection;
    int error = 0;
    connection = net::Socket::Create(net::kStreamSocket, error);
    if (script_.receiveBuffer > 0) {
        SetReceiveBuffer(connection, script_.receiveBuffer);
    }
    if (!connection.valid() ||
        // As a device does: back to the address the invitation came from.
        connection.Connect({tool.address, static_cast<std::uint16_t>(log_.invitedPort)},
                           script_.patience) != 0) {
        return;
    }
    Receive(connection);
}

// Records every invitation; answers the early ones as scripted and returns at the first one
// that gets the main reply. False when the tool went quiet first.
bool ScriptedDevice::ReadInvitations(net::Endpoint& tool) {
    while (true) {
        std::string invitation;
        if (!ReceiveDatagram(udp_, script_.patience, invitation, tool)) return false;
        log_.invitations.push_back(invitation);
        for (const std::string& datagram : script_.strangerReplies) {
            SendDatagram(Stranger(), datagram, tool);
        }
        char digest[64] = {};
        int zero = -1;
        if (std::sscanf(invitation.c_str(), "%d %d %lld %63s", &zero, &log_.invitedPort,
                        &log_.invitedLength, digest) == 4 &&
            zero == 0) {
            log_.invitedDigest = digest;
        }
        if (script_.connectsEarly && !early_.valid()) ConnectEarly();
        const std::size_t index = log_.invitations.size() - 1;
        if (index >= script_.earlyReplies.size()) return true;
        if (!script_.earlyReplies[index].empty()) {
            SendDatagram(udp_, script_.earlyReplies[index], tool);
        }
    }
}

bool ScriptedDevice::Challenge(const net::Endpoint& tool) {
    int otherPort = 0;
    net::Socket other;
    if (script_.challengeFromOtherPort) other = BoundUdpSocket(otherPort);
    net::Socket& challenger = script_.challengeFromOtherPort ? other : udp_;

    SendDatagram(challenger, script_.nonce.empty() ? std::string("AUTH") : "AUTH " + script_.nonce,
                 tool);
    net::Endpoint from;
    if (!ReceiveDatagram(challenger, script_.patience, log_.answer, from)) return false;
    log_.answerAtChallengePort = true;

    char cnonce[64] = {};
    char response[64] = {};
    int code = 0;
    log_.responseValid =
        std::sscanf(log_.answer.c_str(), "%d %63s %63s", &code, cnonce, response) == 3 &&
        code == 200 && response == ExpectedResponse(script_.password, script_.nonce, cnonce);
    if (!script_.sendVerdict) return false;
    if (log_.responseValid && script_.beforeConsenting) script_.beforeConsenting();
    if (!script_.strangerVerdict.empty()) SendDatagram(Stranger(), script_.strangerVerdict, from);
    SendDatagram(challenger, log_.responseValid ? "OK" : "NG", from);
    return log_.responseValid;
}

net::Socket& ScriptedDevice::Stranger() {
    int port = 0;
    if (!stranger_.valid()) stranger_ = BoundUdpSocket(port, kStrangerAddress);
    return stranger_;
}

// Connects from the stranger's address and waits until the tool ends the connection, taking in
// whatever the tool sends meanwhile.
void ScriptedDevice::StrangerConnects() {
    int error = 0;
    net::Socket connection = net::Socket::Create(net::kStreamSocket, error);
    if (!connection.valid() || connection.Bind({kStrangerAddress, 0}) != 0 ||
        connection.Connect({kLoopback, static_cast<std::uint16_t>(log_.invitedPort)},
                           script_.patience) != 0) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    std::array<char, 4096> area{};
    while (true) {
        const net::IoResult got = connection.ReceiveWithin(area, script_.patience);
        if (!got.ok() || got.count == 0) {
            log_.strangerShutOut = got.error != net::kErrorTimedOut;
            break;
        }
        log_.strangerReceived += got.count;
    }
    log_.strangerWaited = std::chrono::steady_clock::now() - start;
}

void ScriptedDevice::ConnectEarly() {
    int error = 0;
    early_ = net::Socket::Create(net::kStreamSocket, error);
    if (early_.valid() && early_.Connect({kLoopback, static_cast<std::uint16_t>(log_.invitedPort)},
                                         script_.patience) != 0) {
        early_.Close();
    }
}

// Whatever the tool sent on the early connection, and whether it ended it.
void ScriptedDevice::WatchEarly() {
    if (!early_.valid()) return;
    std::array<char, 4096> area{};
    while (true) {
        const net::IoResult got = early_.ReceiveWithin(area, script_.patience);
        if (!got.ok() || got.count == 0) {
            log_.earlyShutOut = got.error != net::kErrorTimedOut;
            return;
        }
        log_.earlyReceived += got.count;
    }
}

// Reads the announced image block by block, acknowledging each with its size, then sends the
// final reply and waits for the tool to close; or misbehaves as scripted.
void ScriptedDevice::Receive(net::Socket& connection) {
    if (script_.closeAtOnce) return;
    if (script_.shutDownSendingAtOnce) connection.ShutdownSending();
    const auto length = static_cast<std::size_t>(std::max(log_.invitedLength, 0LL));
    if (script_.acknowledgeAhead) {
        std::string all;
        for (std::size_t done = 0; done < length; done += 1024) {
            all += std::to_string(std::min<std::size_t>(1024, length - done));
        }
        connection.SendAll(all + "OK");
    }
    if (script_.neverRead) {
        log_.hungUpOn = HungUpWithin(connection, script_.patience);
        return;
    }
    const bool acknowledges = !script_.acknowledgeAhead && !script_.shutDownSendingAtOnce;
    while (log_.image.size() < length) {
        const std::size_t expected = std::min<std::size_t>(1024, length - log_.image.size());
        if (!ReadBlock(connection, expected)) return;
        if (acknowledges) {
            connection.SendAll(std::to_string(expected) + script_.acknowledgementTail);
        }
    }
    if (acknowledges) SendFinalReply(connection);
    if (script_.closeAfterFinalReply) return;
    std::array<char, 16> rest{};
    const net::IoResult end = connection.ReceiveWithin(rest, script_.patience);
    log_.closedInOrder = end.ok() && end.count == 0;
}

void ScriptedDevice::SendFinalReply(net::Socket& connection) {
    for (std::size_t i = 0; i < script_.finalReply.size(); ++i) {
        // A pause between parts, so that the tool's read sees each one alone.
        if (i != 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connection.SendAll(script_.finalReply[i]);
    }
}

// A block is complete when the expected bytes are in; anything arriving right behind them
// (before an acknowledgement) is counted with the block, so a tool that does not wait shows.
bool ScriptedDevice::ReadBlock(net::Socket& connection, std::size_t expected) {
    const std::size_t before = log_.image.size();
    std::array<char, 4096> area{};
    while (log_.image.size() - before < expected) {
        std::size_t want = area.size();
        if (script_.closeAfterBytes != 0) {
            if (log_.image.size() >= script_.closeAfterBytes) {
                connection.Close();
                return false;
            }
            want = std::min(want, script_.closeAfterBytes - log_.image.size());
        }
        const net::IoResult got =
            connection.ReceiveWithin(std::span(area.data(), want), script_.patience);
        if (!got.ok() || got.count == 0) return false;
        log_.image.append(area.data(), got.count);
    }
    if (!script_.acknowledgeAhead) {
        bool more = false;
        if (connection.WaitReadable(std::chrono::milliseconds(20), more) == 0 && more) {
            const net::IoResult got = connection.Receive(area);
            if (got.ok()) log_.image.append(area.data(), got.count);
        }
    }
    log_.blocks.push_back(log_.image.size() - before);
    return true;
}

}  // namespace tavro::test
