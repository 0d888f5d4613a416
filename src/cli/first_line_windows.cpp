#include <cerrno>
#include <cstdio>

#include "cli/first_line.h"
#include "upload/file_by_path.h"

namespace tavro::cli {

// Windows has no FIFO in the file system to wait on: the file is read up to the limit at once,
// without a bound in time.
FirstLineReading ReadFirstLine(const std::string& path, std::size_t limit,
                               std::chrono::milliseconds) {
    FirstLineReading reading;
    errno = 0;
    const upload::OwnedFile file = upload::OpenFileForReading(path);
    std::string content(limit + 1, '\0');
    std::size_t got = 0;
    if (file) got = std::fread(content.data(), 1, content.size(), file.get());
    if (!file || std::ferror(file.get())) {
        reading.fault = FirstLineReading::Fault::Unreadable;
        reading.error = errno != 0 ? errno : EIO;
        return reading;
    }
    content.resize(got);
    const std::size_t lineEnd = content.find_first_of("\r\n");
    if (lineEnd != std::string::npos) content.resize(lineEnd);
    if (content.size() > limit) {
        reading.fault = FirstLineReading::Fault::TooLong;
        return reading;
    }
    reading.line = std::move(content);
    return reading;
}

}  // namespace tavro::cli
