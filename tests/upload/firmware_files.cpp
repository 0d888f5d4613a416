#include "firmware_files.h"

#include <openssl/evp.h>
#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace tavro::test {

ScratchDirectory::ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavro-upload-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
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

std::string ReferenceMd5Hex(std::string_view bytes) {
    unsigned char value[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (!EVP_Q_digest(nullptr, "MD5", nullptr, bytes.data(), bytes.size(), value, &length)) {
        throw std::runtime_error("reference MD5 failed");
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < length; ++i) {
        hex += kDigits[value[i] >> 4];
        hex += kDigits[value[i] & 15];
    }
    return hex;
}

}  // namespace tavro::test
