#pragma once

#include <stop_token>
#include <string>

#include "net/socket.h"
#include "sim/device_life.h"
#include "sim/device_settings.h"
#include "sim/event_log.h"
#include "sim/invitation.h"

namespace tavro::sim {

// The device's side of the upload dialogue on UDP <address>:3232: takes the invitation,
// challenges the writer when the device has a password, judges its answer, then hands over
// to the transfer. One upload at a time, as a device would. Other hosts that answer in the
// device's place (answer-from, stranger-answer) are played from their own sockets.
class UploadDevice {
public:
    UploadDevice(const DeviceSettings& settings, DeviceLife& life, EventLog& events)
        : settings_(settings), life_(life), events_(events) {}

    int Bind();
    void Run(std::stop_token stop);

private:
    void Handle(std::string_view datagram, const net::Endpoint& writer, std::stop_token stop);
    // True when the writer proved the password; sends the verdict unless told not to.
    bool Authenticate(const net::Endpoint& writer, std::stop_token stop);
    // Sends from the device, or from the host that answers in its place.
    void Send(std::string_view text, const net::Endpoint& to);
    void SendStrangerOk(const net::Endpoint& writer);
    net::Socket& AnsweringSocket() { return answerSocket_.valid() ? answerSocket_ : socket_; }
    void Record(std::string_view event, std::string_view detail = {}) {
        events_.Record(settings_.addressText, event, detail);
    }

    const DeviceSettings& settings_;
    DeviceLife& life_;
    EventLog& events_;
    net::Socket socket_;
    net::Socket answerSocket_;    // bound to answer-from, when set
    net::Socket strangerSocket_;  // bound to stranger-answer, when set
    int invitationsSeen_ = 0;
};

}  // namespace tavro::sim
