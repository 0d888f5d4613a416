#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "ui/writer_services.h"

namespace tavro::ui {
namespace {

bool StartDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

[[noreturn]] void ExitProcess(int status, const std::string& reason) {
    std::fprintf(stderr, "tavro-writer: %s\n", reason.c_str());
    std::exit(status);
}

}  // namespace

WriterServices RealWriterServices() {
    WriterServices services;
    static_cast<CoreServices&>(services) = RealCoreServices();
    services.startWorker = StartDetachedThread;
    services.exitProcess = ExitProcess;
    return services;
}

}  // namespace tavro::ui
