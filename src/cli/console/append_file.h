#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro::cli {

// A file that is only ever added to: opened at its end (made when it is missing, never made
// empty), each piece written in one go, so that another run's or a reader's view of it never
// holds half of a piece, and nothing waits in a buffer of this process for a flush that a
// sudden end would skip. Closed when its owner goes.
class AppendFile {
public:
    struct Opening;

    // Opens the file at path (a UTF-8 path), without waiting for a reader (a FIFO). The
    // opening says whether it made the file, or else why it could not open it.
    static Opening Open(const std::string& path);

    AppendFile(AppendFile&& other) noexcept;
    AppendFile& operator=(AppendFile&& other) noexcept;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Whether it is a file on a disk, not a FIFO, a terminal or a device.
    bool IsRegular() const;
    // Whether the file path names (its target, for a link) is this very file: the same file
    // system and the same file in it, however the path spells it (a hard link, "./x").
    bool IsFileAt(const std::string& path) const;
    // Whether standard output (1) or standard error (2) goes to this very file.
    bool IsWhereStandardStreamGoes(int stream) const;
    // Adds all of bytes at the end; false when the system would not take all of them.
    bool Append(std::string_view bytes);

private:
#ifdef _WIN32
    using Handle = void*;
#else
    using Handle = int;
#endif
    explicit AppendFile(Handle handle) : handle_(handle) {}
    void Close();

    Handle handle_;
};

struct AppendFile::Opening {
    std::optional<AppendFile> file;
    bool created = false;  // the file did not exist before
    std::string why;       // the system's reason, without a file
};

}  // namespace tavro::cli
