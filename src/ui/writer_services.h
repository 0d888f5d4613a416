#pragma once

#include <functional>
#include <string>

#include "services/core_services.h"
#include "ui/version_text.h"

namespace tavro::ui {

// The work WriterDialog hands to the core and to the operating system.
struct WriterServices : CoreServices {
    // Starts the work on a thread of its own; false when no thread could be started.
    std::function<bool(std::function<void()> work)> startWorker;
    // Ends the process (the adapter list could not be read); the reason is for stderr.
    std::function<void(int status, const std::string& reason)> exitProcess;
    VersionParts version = ProgramVersion();
};

// The real core, the real operating system, a detached std::thread for the worker.
WriterServices RealWriterServices();

}  // namespace tavro::ui
