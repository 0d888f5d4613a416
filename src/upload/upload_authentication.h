#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "log/log_sink.h"
#include "net/socket.h"
#include "upload/firmware_image.h"
#include "upload/upload_report.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro::upload {

// The answer to a device's challenge, "200 <cnonce> <response>\n": the cnonce binds the answer
// to this path, image and device, the response proves the password against the nonce.
// False when a digest fails; the sink has then shown the failed step to the user.
bool ComposeAuthenticationAnswer(const UploadRequest& request, const FirmwareImage& image,
                                 std::string_view nonce, UploadSink& sink, std::string& answer);

// Sends the answer once to the challenger and reads its verdict within the reply time, heard
// only from the challenger's address (whose port then names the sender of the verdict).
// kUploadSucceeded when the verdict begins with "OK", kUploadRefused for any other verdict,
// else the code of the failed send or receive. The report keeps a refusing verdict's words.
UploadResult Authenticate(net::Socket& udp, net::Endpoint& challenger, const std::string& answer,
                          LogSink& log, std::chrono::milliseconds replyTimeout,
                          UploadReport& report);

}  // namespace tavro::upload
