#pragma once

#include <cstdint>
#include <string_view>

#include "log/log_sink.h"
#include "net/ipv4_address.h"

namespace tavro::upload {

// What an upload reports while it runs: its trace (LogSink), the progress in percent, and
// the failures of a text digest, which the user is shown at once. The steps beside the trace
// are for front ends that tell a user what is going on; the others need not hear them.
class UploadSink : public LogSink {
public:
    virtual void SetProgress(int percent) = 0;
    virtual void ShowError(std::string_view text) = 0;

    // The invitation is on its way for the attempt-th time (from 1) of `attempts`.
    virtual void InvitationSent(int /*attempt*/, int /*attempts*/) {}
    // The device has accepted; the upload now waits for it on this local address and port.
    virtual void AwaitingConnection(net::Ipv4Address /*localAddress*/, std::uint16_t /*port*/) {}
    // The device has acknowledged `acknowledged` of `total` bytes.
    virtual void BytesAcknowledged(std::int64_t /*acknowledged*/, std::int64_t /*total*/) {}
};

}  // namespace tavro::upload
