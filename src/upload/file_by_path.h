#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

namespace tavro::upload {

// Paths travel through the program as UTF-8 (on Linux: the bytes the file system knows the
// file by). These open and measure a file by such a path on every platform, also when it
// holds characters outside the system's narrow code page.
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// An open file that closes itself; empty when the file could not be opened.
using OwnedFile = std::unique_ptr<std::FILE, FileClose>;

OwnedFile OpenFileForReading(const std::string& path);
// Made empty, or new.
OwnedFile OpenFileForWriting(const std::string& path);
// The system's error when the file cannot be measured, none when size was set.
std::error_code FileSizeOf(const std::string& path, std::uintmax_t& size);

}  // namespace tavro::upload
