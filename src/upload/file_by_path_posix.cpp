#include <filesystem>
#include <system_error>

#include "upload/file_by_path.h"

namespace tavro::upload {

OwnedFile OpenFileForReading(const std::string& path) {
    return OwnedFile(std::fopen(path.c_str(), "rb"));
}

OwnedFile OpenFileForWriting(const std::string& path) {
    return OwnedFile(std::fopen(path.c_str(), "wb"));
}

std::error_code FileSizeOf(const std::string& path, std::uintmax_t& size) {
    std::error_code error;
    size = std::filesystem::file_size(path, error);
    return error;
}

}  // namespace tavro::upload
