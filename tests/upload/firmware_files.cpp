#include "firmware_files.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace tavro::test {

// A name nobody else holds: create_directory fails on one that exists, so two tests (or two
// runs) never share a directory.
ScratchDirectory::ScratchDirectory() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path() /
            ("tavro-upload-" + std::to_string(random()) + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no scratch directory could be made");
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDirectory::Write(std::string_view name, std::string_view bytes) const {
    const std::string path = PathOf(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ScratchDirectory::PathOf(std::string_view name) const {
    return (path_ / name).string();
}

std::string FirmwareBytes(std::size_t length) {
    std::string bytes(length, '\0');
    std::uint32_t state = 0x2545F491u;
    for (std::size_t i = 0; i < length; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(i % 97 == 0 ? 0 : state >> 24);
    }
    return bytes;
}

}  // namespace tavro::test
