#pragma once

#include <functional>
#include <string>

#include "net/discovery/device_record.h"
#include "net/interfaces/interface_facts.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro::cli {

// The work the commands hand to the core; tests pass fakes, the program the real core.
struct CliServices {
    std::function<InterfaceFacts()> readInterfaceFacts;
    std::function<int(DeviceTable& table, const std::string& localAddress)> discoverDevices;
    std::function<UploadResult(const UploadRequest& request, UploadSink& sink)> runUpload;
    // Whether stderr is a terminal that may show a progress bar.
    std::function<bool()> stderrIsTerminal;
};

CliServices RealCliServices();

}  // namespace tavro::cli
