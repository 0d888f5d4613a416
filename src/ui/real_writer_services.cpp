#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

std::optional<std::string> SaveText(const std::string& path, const std::string& text) {
    errno = 0;
    std::ofstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file) file.close();
    if (file) return std::nullopt;
    if (errno == 0) return std::string("the file could not be written");
    return std::error_code(errno, std::generic_category()).message();
}

std::string StartPassword() {
    const char* given = std::getenv("TAVRO_PASSWORD");
    return given != nullptr && *given != '\0' ? std::string(given)
                                              : std::string(upload::kUploadPassword);
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
    services.saveText = SaveText;
    services.password = StartPassword();
    return services;
}

}  // namespace tavro::ui
