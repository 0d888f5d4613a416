#pragma once

#include <functional>
#include <string>

#include "net/discovery/device_record.h"
#include "net/interfaces/interface_facts.h"
#include "ui/version_text.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro::ui {

// The work WriterDialog hands to the core and to the operating system. The program passes
// RealWriterServices(); tests pass fakes.
struct WriterServices {
    std::function<InterfaceFacts()> readInterfaceFacts;
    std::function<int(DeviceTable& table, const std::string& localAddress)> discoverDevices;
    std::function<UploadResult(const UploadRequest& request, UploadSink& sink)> runUpload;
    // Starts the work on a thread of its own; false when no thread could be started.
    std::function<bool(std::function<void()> work)> startWorker;
    // Ends the process (the adapter list could not be read); the reason is for stderr.
    std::function<void(int status, const std::string& reason)> exitProcess;
    VersionParts version = ProgramVersion();
};

// The real core, the real operating system, a detached std::thread for the worker.
WriterServices RealWriterServices();

}  // namespace tavro::ui
