#include <filesystem>
#include <string_view>
#include <system_error>

#include "upload/file_by_path.h"

namespace tavro::upload {
namespace {

// The narrow calls of the C library would read the path in the ANSI code page; the wide ones
// take every character.
std::filesystem::path WidePath(const std::string& path) {
    const std::u8string utf8(path.begin(), path.end());
    return std::filesystem::path(utf8);
}

}  // namespace

OwnedFile OpenFileForReading(const std::string& path) {
    return OwnedFile(::_wfopen(WidePath(path).c_str(), L"rb"));
}

OwnedFile OpenFileForWriting(const std::string& path) {
    return OwnedFile(::_wfopen(WidePath(path).c_str(), L"wb"));
}

std::error_code FileSizeOf(const std::string& path, std::uintmax_t& size) {
    std::error_code error;
    size = std::filesystem::file_size(WidePath(path), error);
    return error;
}

}  // namespace tavro::upload
