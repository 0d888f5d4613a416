#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavro::test {

// A directory of its own for one test, removed with everything in it when the test ends.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // Writes the bytes to a file of that name here and returns its absolute path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string PathOf(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// Bytes that differ from block to block and include NULs, so a lost, repeated or cut block
// shows in a comparison.
std::string FirmwareBytes(std::size_t length);

// MD5 hex text through OpenSSL's one-shot digest, independent of the code under test.
std::string ReferenceMd5Hex(std::string_view bytes);

}  // namespace tavro::test
