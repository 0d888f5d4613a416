#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "cli/console/append_file.h"

namespace tavro::cli {
namespace {

constexpr int kAppending = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

}  // namespace

// An existing file is opened as it is; a missing one is made, and the opening knows it made
// it. A dangling link is followed to a file made at its target, as a shell's ">>" would.
AppendFile::Opening AppendFile::Open(const std::string& path) {
    Opening opening;
    int fd = ::open(path.c_str(), kAppending);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), kAppending | O_CREAT | O_EXCL, 0666);
        opening.created = fd >= 0;
        if (fd < 0 && errno == EEXIST) fd = ::open(path.c_str(), kAppending | O_CREAT, 0666);
    }
    if (fd < 0) {
        opening.why = std::strerror(errno);
        return opening;
    }
    opening.file = AppendFile(fd);
    return opening;
}

AppendFile::AppendFile(AppendFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

AppendFile::~AppendFile() { Close(); }

void AppendFile::Close() {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
}

bool AppendFile::IsRegular() const {
    struct stat status {};
    return ::fstat(handle_, &status) == 0 && S_ISREG(status.st_mode);
}

bool AppendFile::IsFileAt(const std::string& path) const {
    struct stat mine {};
    struct stat theirs {};
    return ::fstat(handle_, &mine) == 0 && ::stat(path.c_str(), &theirs) == 0 &&
           mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool AppendFile::IsWhereStandardStreamGoes(int stream) const {
    struct stat mine {};
    struct stat theirs {};
    return ::fstat(handle_, &mine) == 0 && ::fstat(stream, &theirs) == 0 &&
           mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool AppendFile::Append(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(handle_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (written == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace tavro::cli
