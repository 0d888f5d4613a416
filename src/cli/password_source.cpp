#include "cli/password_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

#include "cli/terminal_text.h"
#include "upload/file_by_path.h"
#include "upload/upload_request.h"

namespace tavro::cli {
namespace {

constexpr char kPasswordVariable[] = "TAVRO_PASSWORD";
// A password is short; a larger file is not a password file.
constexpr std::size_t kPasswordFileLimit = 4096;

std::optional<std::string> ReadPasswordFile(const std::string& path, std::ostream& err) {
    errno = 0;
    const upload::OwnedFile file = upload::OpenFileForReading(path);
    std::string content(kPasswordFileLimit + 1, '\0');
    std::size_t got = 0;
    if (file) got = std::fread(content.data(), 1, content.size(), file.get());
    if (!file || std::ferror(file.get())) {
        // Only the path and the system's reason: the content stays unseen.
        err << "tavro-writer-cli: cannot read the password file " << TerminalText(path) << ": "
            << std::strerror(errno != 0 ? errno : EIO) << "\n";
        return std::nullopt;
    }
    if (got > kPasswordFileLimit) {
        err << "tavro-writer-cli: the password file " << TerminalText(path)
            << " is too large to hold a password\n";
        return std::nullopt;
    }
    content.resize(got);
    const std::size_t lineEnd = content.find_first_of("\r\n");
    if (lineEnd != std::string::npos) content.resize(lineEnd);
    return content;
}

}  // namespace

std::optional<std::string> ResolvePassword(const PasswordSources& sources,
                                           const texts::EnvironmentLookup& environment,
                                           std::ostream& err) {
    if (sources.given) return sources.given;
    if (!sources.file.empty()) return ReadPasswordFile(sources.file, err);
    if (std::optional<std::string> fromEnvironment = environment(kPasswordVariable);
        fromEnvironment && !fromEnvironment->empty()) {
        return fromEnvironment;
    }
    return std::string(upload::kUploadPassword);
}

}  // namespace tavro::cli
