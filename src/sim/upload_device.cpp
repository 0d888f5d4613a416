#include "sim/upload_device.h"

#include "sim/bounded_wait.h"
#include "sim/image_receiver.h"
#include "sim/quoted.h"

namespace tavro::sim {
namespace {

constexpr std::size_t kDatagramArea = 1500;

// A UDP socket on the address, any port; a Winsock-compatible code on failure.
int BindOther(net::Socket& socket, net::Ipv4Address address) {
    int error = 0;
    socket = net::Socket::Create(net::kDatagramSocket, error);
    return error != 0 ? error : socket.Bind(net::Endpoint{address, 0});
}

}  // namespace

int UploadDevice::Bind() {
    int error = 0;
    socket_ = net::Socket::Create(net::kDatagramSocket, error);
    if (error != 0) return error;
    if (const int bound = socket_.Bind(net::Endpoint{settings_.address, kUploadPort}); bound != 0)
        return bound;
    if (!settings_.answerFromText.empty()) {
        if (const int bound = BindOther(answerSocket_, settings_.answerFrom); bound != 0)
            return bound;
    }
    if (!settings_.strangerAnswerText.empty())
        return BindOther(strangerSocket_, settings_.strangerAnswer);
    return 0;
}

void UploadDevice::Run(std::stop_token stop) {
    char area[kDatagramArea];
    while (!stop.stop_requested()) {
        if (WaitReadable(socket_, std::chrono::milliseconds(200), stop) != WaitOutcome::Ready) {
            continue;
        }
        net::Endpoint writer;
        const net::IoResult got = socket_.ReceiveFrom(area, writer);
        if (!got.ok()) {
            Record("receive-failed", std::to_string(got.error));
            continue;
        }
        Handle(std::string_view(area, got.count), writer, stop);
    }
}

void UploadDevice::Handle(std::string_view datagram, const net::Endpoint& writer,
                          std::stop_token stop) {
    Record("invitation", EndpointText(writer) + " " + Quoted(datagram));
    const auto invitation = ParseInvitation(datagram);
    if (!invitation) {
        Record("invitation-malformed");
        return;
    }
    if (++invitationsSeen_ <= settings_.ignoreInvitations) {
        Record("invitation-ignored", std::to_string(invitationsSeen_));
        return;
    }
    if (strangerSocket_.valid()) SendStrangerOk(writer);
    if (settings_.invitationAnswer) {
        Send(*settings_.invitationAnswer, writer);
        return;
    }
    if (settings_.password) {
        if (!Authenticate(writer, stop)) return;
    } else {
        Send("OK", writer);
    }
    if (settings_.noConnect) {
        Record("connect-withheld");
        return;
    }
    ReceiveImage(settings_, life_, *invitation, net::Endpoint{writer.address, invitation->port},
                 events_, stop);
}

bool UploadDevice::Authenticate(const net::Endpoint& writer, std::stop_token stop) {
    const std::string nonce = FreshNonce();
    Send("AUTH " + nonce, writer);
    // The writer answers whoever sent the challenge.
    net::Socket& answering = AnsweringSocket();
    if (WaitReadable(answering, kPeerLimit, stop) != WaitOutcome::Ready) {
        Record("auth-answer-missing");
        return false;
    }
    char area[kDatagramArea];
    net::Endpoint from;
    const net::IoResult got = answering.ReceiveFrom(area, from);
    if (!got.ok()) {
        Record("receive-failed", std::to_string(got.error));
        return false;
    }
    const std::string_view text(area, got.count);
    const auto answer = ParseAuthAnswer(text);
    const bool matched =
        answer && answer->response == ExpectedResponse(*settings_.password, nonce, answer->cnonce);
    Record("auth-answer",
           EndpointText(from) + " " + Quoted(text) + (matched ? " match" : " mismatch"));
    const bool accepted = matched && !settings_.refuseAuth;
    if (settings_.noVerdict) {
        Record("verdict-withheld");
        return false;
    }
    Send(accepted ? "OK" : "FAIL", from);
    return accepted;
}

void UploadDevice::Send(std::string_view text, const net::Endpoint& to) {
    // Noted before it goes, so the line is there by the time the writer acts on the message.
    const std::string from =
        answerSocket_.valid() ? " from " + settings_.answerFromText : std::string();
    Record("udp-sent", EndpointText(to) + " " + Quoted(text) + from);
    const net::IoResult sent = AnsweringSocket().SendTo(text, to);
    if (!sent.ok()) Record("udp-send-failed", std::to_string(sent.error));
}

void UploadDevice::SendStrangerOk(const net::Endpoint& writer) {
    Record("stranger-sent", EndpointText(writer) + " \"OK\" from " + settings_.strangerAnswerText);
    const net::IoResult sent = strangerSocket_.SendTo(std::string_view("OK"), writer);
    if (!sent.ok()) Record("udp-send-failed", std::to_string(sent.error));
}

}  // namespace tavro::sim
