#pragma once

#include <chrono>
#include <cstdint>

#include "net/socket.h"
#include "upload/firmware_image.h"
#include "upload/upload_report.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro::upload {

// Invites the device over UDP to take the image and connect back to localPort, and proves the
// password when the device asks for it. kUploadSucceeded once the device has accepted;
// kUploadRefused when it stays silent, answers otherwise or refuses the password;
// kUploadInternalError when a digest of the proof fails; else the failed socket call's code.
// Only datagrams from the device's address are heard. `device` ends as the device's address
// and the port it last answered from, `answeredSent` as the moment the invitation that the
// device answered was sent. The report learns the tries, the device's words and the cause of a
// failure.
UploadResult InviteDevice(const UploadRequest& request, const FirmwareImage& image,
                          std::uint16_t localPort, UploadSink& sink,
                          std::chrono::milliseconds replyTimeout, net::Endpoint& device,
                          std::chrono::steady_clock::time_point& answeredSent,
                          UploadReport& report);

}  // namespace tavro::upload
