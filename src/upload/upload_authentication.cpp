#include "upload/upload_authentication.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "log/append_log.h"
#include "net/socket_error.h"
#include "upload/device_datagram.h"
#include "upload/device_replies.h"
#include "upload/md5_digest.h"
#include "upload/upload_error.h"

namespace tavro::upload {
namespace {

bool TextDigestHex(std::string_view text, UploadSink& sink, std::string& hex) {
    Md5Digest digest{};
    if (!GetTextMD5(text, digest, [&sink](std::string_view step) { sink.ShowError(step); })) {
        return false;
    }
    hex = DigestHex(digest);
    return true;
}

}  // namespace

bool ComposeAuthenticationAnswer(const UploadRequest& request, const FirmwareImage& image,
                                 std::string_view nonce, UploadSink& sink, std::string& answer) {
    const std::string cnonceSource = request.firmwarePath +
                                     std::to_string(static_cast<std::uint32_t>(image.length)) +
                                     image.digestHex + request.deviceAddress.ToString();
    std::string cnonce;
    std::string passwordDigest;
    std::string response;
    if (!TextDigestHex(cnonceSource, sink, cnonce)) return false;
    if (!TextDigestHex(request.password, sink, passwordDigest)) return false;
    const std::string responseSource = passwordDigest + ":" + std::string(nonce) + ":" + cnonce;
    if (!TextDigestHex(responseSource, sink, response)) return false;
    answer = "200 " + cnonce + " " + response + "\n";
    return true;
}

UploadResult Authenticate(net::Socket& udp, net::Endpoint& challenger, const std::string& answer,
                          LogSink& log, std::chrono::milliseconds replyTimeout,
                          UploadReport& report) {
    AppendLog(log, "Authenticating...\r\n");
    AppendLog(log, "sendto message: %s\r\n", answer.c_str());
    const net::IoResult sent = udp.SendTo(answer, challenger);
    if (!sent.ok()) {
        udp.Close();
        return EndWithSocketError(log, sent.error);
    }

    // The answer is sent once only: a verdict that does not come in time ends the upload.
    AppendLog(log, "recvfrom: ");
    std::array<char, kVerdictWindow> verdict{};
    const net::IoResult received = ReceiveDeviceDatagram(
        udp, verdict, challenger, log, std::chrono::steady_clock::now() + replyTimeout);
    if (!received.ok()) {
        udp.Close();
        if (received.error == net::kErrorTimedOut) {
            report.cause = UploadCause::NoVerdict;
            report.bound = replyTimeout;
        }
        return EndWithSocketError(log, received.error);
    }

    AppendLog(log, "done: ");
    if (VerdictAccepts(std::string_view(verdict.data(), received.count))) {
        AppendLog(log, "OK\r\n");
        return kUploadSucceeded;
    }
    AppendLog(log, "FAIL\r\n");
    report.cause = UploadCause::PasswordRefused;
    report.deviceAnswer.assign(verdict.data(), received.count);
    return kUploadRefused;
}

}  // namespace tavro::upload
