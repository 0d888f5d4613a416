#include "upload/upload_invitation.h"

#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "log/append_log.h"
#include "net/socket.h"
#include "net/socket_error.h"
#include "upload/upload_authentication.h"
#include "upload/upload_error.h"

namespace tavro {
namespace {

constexpr int kInvitationAttempts = 10;
// A longer datagram is no reply of a device; it counts as an unanswered attempt.
constexpr std::size_t kReplyWindow = 37;
// The nonce starts after "AUTH" and one separator.
constexpr std::size_t kNonceOffset = 5;
constexpr std::size_t kNonceMaxLength = 32;

std::string ComposeInvitation(std::uint16_t localPort, const FirmwareImage& image) {
    std::array<char, 256> message{};
    std::snprintf(message.data(), message.size(), "%d %d %d %s\n", 0, static_cast<int>(localPort),
                  image.length, image.digestHex.c_str());
    return message.data();
}

// A reply is its text up to the first NUL; its sender becomes the one the upload talks to.
bool ReceiveReply(net::Socket& udp, net::Endpoint& device, std::string& reply) {
    std::array<char, kReplyWindow> area{};
    net::Endpoint from;
    const net::IoResult received = udp.ReceiveFrom(area, from);
    if (!received.ok()) return false;
    device = from;
    reply.assign(area.data(), strnlen(area.data(), received.count));
    return true;
}

// Sends the same invitation up to ten times, each followed by one bounded wait for a reply.
UploadResult SendInvitations(net::Socket& udp, const std::string& invitation, net::Endpoint& device,
                             std::string& reply, LogSink& log,
                             std::chrono::milliseconds replyTimeout) {
    for (int attempt = 0;; ++attempt) {
        AppendLog(log, "sendto message: %s\r\n", invitation.c_str());
        const net::IoResult sent = udp.SendTo(invitation, device);
        if (!sent.ok()) {
            udp.Close();
            return EndWithSocketError(log, sent.error);
        }
        udp.SetReceiveTimeout(replyTimeout);
        AppendLog(log, "recvfrom: ");
        if (ReceiveReply(udp, device, reply)) {
            AppendLog(log, "ok.\r\n");
            return kUploadSucceeded;
        }
        AppendLog(log, "no-recv.\r\n");
        if (attempt == kInvitationAttempts - 1) {
            AppendLog(log, "no-recv error.\r\n");
            return kUploadRefused;
        }
    }
}

std::string NonceOf(const std::string& reply) {
    if (reply.size() <= kNonceOffset) return {};
    return reply.substr(kNonceOffset, kNonceMaxLength);
}

// "OK" lets the transfer start at once, "AUTH" asks for the password first, anything else
// refuses.
UploadResult AnswerReply(net::Socket& udp, const net::Endpoint& device, const std::string& reply,
                         const UploadRequest& request, const FirmwareImage& image, UploadSink& sink,
                         std::chrono::milliseconds replyTimeout) {
    if (reply.starts_with("OK")) {
        AppendLog(sink, "OKが帰ってきたときはそのまま送る。\r\n");
        return kUploadSucceeded;
    }
    AppendLog(sink,
              "AUTHが帰ってきたときは認証パスワードをMD5エンコードして他にもいろいろやって送る。"
              "\r\n");
    if (!reply.starts_with("AUTH")) {
        AppendLog(sink, "Bad Answer: %s\r\n", reply.c_str());
        return kUploadRefused;
    }
    AppendLog(sink, "recv: \"AUTH\"\r\n");
    std::string answer;
    if (!ComposeAuthenticationAnswer(request, image, NonceOf(reply), sink, answer)) {
        return kUploadInternalError;
    }
    return Authenticate(udp, device, answer, sink, replyTimeout);
}

}  // namespace

UploadResult InviteDevice(const UploadRequest& request, const FirmwareImage& image,
                          std::uint16_t localPort, UploadSink& sink,
                          std::chrono::milliseconds replyTimeout) {
    const auto deviceAddress = net::ParseIPv4(request.deviceAddress);
    if (!deviceAddress) return EndWithSocketError(sink, net::kErrorAddressNotAvailable);
    net::Endpoint device{*deviceAddress, static_cast<std::uint16_t>(request.devicePort)};
    const std::string invitation = ComposeInvitation(localPort, image);

    AppendLog(sink, "UDPで相手にアクセス。ファームウェアを送るぞ告知。\r\n");
    AppendLog(sink, "socket :");
    int error = 0;
    net::Socket udp = net::Socket::Create(SOCK_DGRAM, error);
    if (!udp.valid()) return EndWithSocketError(sink, error);
    AppendLog(sink, "ok\r\n");

    // A zero receive timeout would mean no limit at all to the socket.
    replyTimeout = std::max(replyTimeout, std::chrono::milliseconds(1));
    std::string reply;
    UploadResult result = SendInvitations(udp, invitation, device, reply, sink, replyTimeout);
    if (result != kUploadSucceeded) return result;
    result = AnswerReply(udp, device, reply, request, image, sink, replyTimeout);
    if (result != kUploadSucceeded) return result;

    udp.Close();
    AppendLog(sink, "ここから書き込み。\r\n");
    return kUploadSucceeded;
}

}  // namespace tavro
