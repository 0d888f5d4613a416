#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "net/ipv4_address.h"
#include "upload/upload_request.h"

namespace tavro::batch {

// What every device of one write shares.
struct BatchPlan {
    std::string file;  // as the user named it
    net::Ipv4Address localAddress;
    std::string password = upload::kUploadPassword;
    std::uint16_t localPort = 0;  // 0: the system picks one per upload
    upload::UploadTimeouts timeouts;
    int jobs = 8;  // devices written at once
    bool verify = false;
    std::chrono::milliseconds verifyTimeout{60000};
    std::chrono::milliseconds comebackInterval{2000};  // between the searches of --verify
};

}  // namespace tavro::batch
