#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "services/core_services.h"
#include "ui/version_text.h"
#include "upload/upload_request.h"

namespace tavro::ui {

// The work WriterDialog hands to the core and to the operating system.
struct WriterServices : CoreServices {
    // Starts the work on a thread of its own; false when no thread could be started.
    std::function<bool(std::function<void()> work)> startWorker;
    // Ends the process (the adapter list could not be read); the reason is for stderr.
    std::function<void(int status, const std::string& reason)> exitProcess;
    // The size in bytes of the file at a path (UTF-8); nullopt when it cannot be told.
    std::function<std::optional<std::int64_t>(const std::string& path)> fileSize;
    // Writes text to the file at path (UTF-8), replacing it; the system's reason when that
    // failed, nullopt when it worked.
    std::function<std::optional<std::string>(const std::string& path, const std::string& text)>
        saveText;
    // The upload password the dialog starts with: TAVRO_PASSWORD when it is set and not empty,
    // otherwise the devices' factory password.
    std::string password = upload::kUploadPassword;
    VersionParts version = ProgramVersion();
};

// The real core, the real operating system, a detached std::thread for the worker.
WriterServices RealWriterServices();

}  // namespace tavro::ui
