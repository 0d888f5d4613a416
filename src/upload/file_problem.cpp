#include "upload/file_problem.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "upload/file_by_path.h"

namespace tavro::upload {

FileProblem FileProblemFrom(const std::error_code& error, std::string& reason) {
    if (error == std::errc::no_such_file_or_directory) return FileProblem::Missing;
    if (error == std::errc::is_a_directory) return FileProblem::Directory;
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) {
        return FileProblem::PermissionDenied;
    }
    reason = error.message();
    return FileProblem::Other;
}

FileProblem WhyUnreadable(const std::string& path, std::string& reason) {
    errno = 0;
    const OwnedFile file = OpenFileForReading(path);
    if (!file) return FileProblemFrom(std::error_code(errno, std::generic_category()), reason);
    std::uintmax_t size = 0;
    if (!FileSizeOf(path, size) && size == 0) return FileProblem::Empty;
    return FileProblem::None;
}

}  // namespace tavro::upload
