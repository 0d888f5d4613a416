#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cli/console/append_file.h"

namespace tavro::cli {
namespace {

// The narrow calls would read the path in the ANSI code page; the wide ones take every
// character.
std::wstring WidePath(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FILE_APPEND_DATA alone: every write goes to the end, also beside another writer.
HANDLE OpenForAppending(const std::wstring& path, DWORD disposition) {
    return ::CreateFileW(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool SameFile(HANDLE one, HANDLE other) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return ::GetFileInformationByHandle(one, &a) && ::GetFileInformationByHandle(other, &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

AppendFile::Opening AppendFile::Open(const std::string& path) {
    Opening opening;
    const std::wstring wide = WidePath(path);
    HANDLE handle = OpenForAppending(wide, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
        handle = OpenForAppending(wide, CREATE_NEW);
        opening.created = handle != INVALID_HANDLE_VALUE;
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
            handle = OpenForAppending(wide, OPEN_ALWAYS);
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        opening.why = std::system_category().message(static_cast<int>(::GetLastError()));
        return opening;
    }
    opening.file = AppendFile(handle);
    return opening;
}

AppendFile::AppendFile(AppendFile&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
}

AppendFile::~AppendFile() { Close(); }

void AppendFile::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool AppendFile::IsRegular() const {
    BY_HANDLE_FILE_INFORMATION information{};
    return ::GetFileType(handle_) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandle(handle_, &information) &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Opened with no access at all, only to be known: a file in use is known too.
bool AppendFile::IsFileAt(const std::string& path) const {
    HANDLE other = ::CreateFileW(WidePath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    const bool same = SameFile(handle_, other);
    ::CloseHandle(other);
    return same;
}

// A console or a pipe has no file index: it is no file, and so not this one.
bool AppendFile::IsWhereStandardStreamGoes(int stream) const {
    const HANDLE standard = ::GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return standard != nullptr && standard != INVALID_HANDLE_VALUE &&
           ::GetFileType(standard) == FILE_TYPE_DISK && SameFile(handle_, standard);
}

bool AppendFile::Append(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle_, bytes.data(), piece, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace tavro::cli
