#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

std::optional<std::int64_t> FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(
        std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    if (error) return std::nullopt;
    return static_cast<std::int64_t>(size);
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
    services.fileSize = FileSize;
    return services;
}

}  // namespace tavro::ui
