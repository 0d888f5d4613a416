#include "net/discovery/version_query.h"

#include <sys/socket.h>

#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include "net/discovery/version_answer.h"
#include "net/socket.h"

namespace tavro {

namespace {

constexpr char kRequest[] = "VER\n";  // sent with its NUL: 5 bytes
constexpr std::size_t kAnswerLimit = 256;

std::optional<net::Socket> ConnectToDevice(const DeviceRecord& row, const std::string& localAddress,
                                           const DiscoveryOptions& options) {
    const auto local = net::ParseIPv4(localAddress);
    const auto remote =
        net::ParseIPv4(std::string_view(row.addressText, strnlen(row.addressText, 16)));
    if (!local || !remote) {
        return std::nullopt;
    }
    int error = 0;
    net::Socket socket = net::Socket::Create(SOCK_STREAM, error);
    if (error != 0 || socket.Bind(net::Endpoint{*local, 0}) != 0 ||
        socket.Connect(net::Endpoint{*remote, options.versionPort}, options.versionTimeout) != 0) {
        return std::nullopt;
    }
    return socket;
}

// Reads byte by byte up to and including the second LF, at most kAnswerLimit bytes.
// The area keeps a NUL after the last byte. false when the answer did not end in time.
bool ReceiveAnswer(net::Socket& socket, std::array<char, kAnswerLimit + 1>& answer,
                   std::chrono::milliseconds limit) {
    int lineFeeds = 0;
    for (std::size_t i = 0; i < kAnswerLimit; ++i) {
        const net::IoResult result = socket.ReceiveWithin({&answer[i], 1}, limit);
        if (!result.ok() || result.count == 0) {
            return false;
        }
        if (answer[i] == '\n' && ++lineFeeds == 2) {
            return true;
        }
    }
    return false;
}

}  // namespace

int QueryDeviceVersion(DeviceRecord& row, const std::string& localAddress,
                       const DiscoveryOptions& options) {
    std::optional<net::Socket> socket = ConnectToDevice(row, localAddress, options);
    if (!socket) {
        return 0;
    }
    if (!socket->SendAll({kRequest, sizeof kRequest}).ok()) {
        return 0;
    }
    std::array<char, kAnswerLimit + 1> answer{};
    if (!ReceiveAnswer(*socket, answer, options.versionTimeout)) {
        return 0;
    }
    const std::optional<VersionAnswer> versions = ParseVersionAnswer(answer.data());
    if (!versions) {
        return 0;
    }
    if (versions->sketchVersion) {
        row.sketchVersion = *versions->sketchVersion;
    }
    if (versions->textVersion) {
        row.textVersion = *versions->textVersion;
    }
    return 1;
}

}  // namespace tavro
