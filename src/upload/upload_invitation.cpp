#include "upload/upload_invitation.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "log/append_log.h"
#include "net/socket.h"
#include "net/socket_error.h"
#include "upload/device_datagram.h"
#include "upload/device_replies.h"
#include "upload/upload_authentication.h"
#include "upload/upload_error.h"

namespace tavro::upload {
namespace {

constexpr int kInvitationAttempts = 10;

std::string ComposeInvitation(std::uint16_t localPort, const FirmwareImage& image) {
    std::array<char, 256> message{};
    std::snprintf(message.data(), message.size(), "%d %d %d %s\n", 0, static_cast<int>(localPort),
                  image.length, image.digestHex.c_str());
    return message.data();
}

// A datagram as long as UDP allows, so that one too long to be a reply is still taken whole
// and its length known.
constexpr std::size_t kDatagramArea = 65536;

// Sends the same invitation up to ten times, each followed by one bounded wait for the device's
// reply. A datagram too long to be a reply counts as no reply; strangers do not count at all.
UploadResult SendInvitations(net::Socket& udp, const std::string& invitation, net::Endpoint& device,
                             std::string& datagram, UploadSink& log,
                             std::chrono::milliseconds replyTimeout,
                             std::chrono::steady_clock::time_point& answeredSent,
                             UploadReport& report) {
    std::vector<char> area(kDatagramArea);
    for (int attempt = 0;; ++attempt) {
        AppendLog(log, "sendto message: %s\r\n", invitation.c_str());
        report.tries = attempt + 1;
        log.InvitationSent(attempt + 1, kInvitationAttempts);
        answeredSent = std::chrono::steady_clock::now();
        const net::IoResult sent = udp.SendTo(invitation, device);
        if (!sent.ok()) {
            udp.Close();
            report.cause = UploadCause::InvitationFailed;
            return EndWithSocketError(log, sent.error);
        }
        AppendLog(log, "recvfrom: ");
        const net::IoResult received =
            ReceiveDeviceDatagram(udp, area, device, log, answeredSent + replyTimeout);
        if (received.ok() && received.count <= kInvitationReplyWindow) {
            AppendLog(log, "ok.\r\n");
            datagram.assign(area.data(), received.count);
            return kUploadSucceeded;
        }
        if (received.ok()) report.answerBytes = received.count;
        AppendLog(log, "no-recv.\r\n");
        if (attempt == kInvitationAttempts - 1) {
            AppendLog(log, "no-recv error.\r\n");
            report.cause =
                report.answerBytes != 0 ? UploadCause::UnreadableAnswer : UploadCause::NoAnswer;
            report.bound = replyTimeout;
            return kUploadRefused;
        }
    }
}

// "OK" lets the transfer start at once, "AUTH" asks for the password first, anything else
// refuses.
UploadResult AnswerReply(net::Socket& udp, net::Endpoint& device, const std::string& datagram,
                         const UploadRequest& request, const FirmwareImage& image, UploadSink& sink,
                         std::chrono::milliseconds replyTimeout, UploadReport& report) {
    const InvitationReply reply = JudgeInvitationReply(datagram);
    if (reply.answer == InvitationAnswer::Accepted) {
        AppendLog(sink, "OKが帰ってきたときはそのまま送る。\r\n");
        return kUploadSucceeded;
    }
    AppendLog(sink,
              "AUTHが帰ってきたときは認証パスワードをMD5エンコードして他にもいろいろやって送る。"
              "\r\n");
    if (reply.answer != InvitationAnswer::Challenged) {
        AppendLog(sink, "Bad Answer: %s\r\n", std::string(reply.text).c_str());
        report.cause = UploadCause::BadAnswer;
        report.deviceAnswer = reply.text;
        return kUploadRefused;
    }
    AppendLog(sink, "recv: \"AUTH\"\r\n");
    std::string answer;
    if (!ComposeAuthenticationAnswer(request, image, reply.nonce, sink, answer)) {
        report.cause = UploadCause::DigestFailed;
        return kUploadInternalError;
    }
    return Authenticate(udp, device, answer, sink, replyTimeout, report);
}

}  // namespace

UploadResult InviteDevice(const UploadRequest& request, const FirmwareImage& image,
                          std::uint16_t localPort, UploadSink& sink,
                          std::chrono::milliseconds replyTimeout, net::Endpoint& device,
                          std::chrono::steady_clock::time_point& answeredSent,
                          UploadReport& report) {
    report.cause = UploadCause::InvitationFailed;  // until the exchange gets further
    device = net::Endpoint{request.deviceAddress, static_cast<std::uint16_t>(request.devicePort)};
    const std::string invitation = ComposeInvitation(localPort, image);

    AppendLog(sink, "UDPで相手にアクセス。ファームウェアを送るぞ告知。\r\n");
    AppendLog(sink, "socket :");
    int error = 0;
    net::Socket udp = net::Socket::Create(net::kDatagramSocket, error);
    if (!udp.valid()) return EndWithSocketError(sink, error);
    // The device connects back to the address the invitation came from, so it must leave from
    // the address the listener waits on: on an interface with several addresses, or when the
    // route prefers another, the system would pick one where nobody listens.
    if (const int bindError = udp.Bind(net::Endpoint{request.localAddress, 0}); bindError != 0) {
        return EndWithSocketError(sink, bindError);
    }
    AppendLog(sink, "ok\r\n");

    std::string datagram;
    UploadResult result = SendInvitations(udp, invitation, device, datagram, sink, replyTimeout,
                                          answeredSent, report);
    if (result != kUploadSucceeded) return result;
    result = AnswerReply(udp, device, datagram, request, image, sink, replyTimeout, report);
    if (result != kUploadSucceeded) return result;

    udp.Close();
    report.cause = UploadCause::None;
    AppendLog(sink, "ここから書き込み。\r\n");
    return kUploadSucceeded;
}

}  // namespace tavro::upload
