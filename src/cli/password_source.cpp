#include "cli/password_source.h"

#include <cstring>
#include <ostream>

#include "cli/console/terminal_text.h"
#include "cli/first_line.h"
#include "upload/upload_request.h"

namespace tavro::cli {
namespace {

constexpr char kPasswordVariable[] = "TAVRO_PASSWORD";
// A password is short; a larger file is not a password file.
constexpr std::size_t kPasswordFileLimit = 4096;

std::optional<std::string> ReadPasswordFile(const std::string& path, std::chrono::milliseconds wait,
                                            std::ostream& err) {
    FirstLineReading reading = ReadFirstLine(path, kPasswordFileLimit, wait);
    // Only the path and the system's reason: the content stays unseen.
    const std::string file = "the password file " + TerminalText(path);
    switch (reading.fault) {
        case FirstLineReading::Fault::None:
            return std::move(reading.line);
        case FirstLineReading::Fault::Unreadable:
            err << "tavro-writer-cli: cannot read " << file << ": " << std::strerror(reading.error)
                << "\n";
            break;
        case FirstLineReading::Fault::TooLong:
            err << "tavro-writer-cli: " << file << " is too large to hold a password\n";
            break;
        case FirstLineReading::Fault::NothingInTime:
            err << "tavro-writer-cli: " << file << " gave no line within "
                << std::chrono::duration_cast<std::chrono::seconds>(wait).count()
                << " s (a FIFO nobody writes to?)\n";
            break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ResolvePassword(const PasswordSources& sources,
                                           const texts::EnvironmentLookup& environment,
                                           std::ostream& err) {
    if (sources.given) return sources.given;
    if (!sources.file.empty()) return ReadPasswordFile(sources.file, sources.fileWait, err);
    if (std::optional<std::string> fromEnvironment = environment(kPasswordVariable);
        fromEnvironment && !fromEnvironment->empty()) {
        return fromEnvironment;
    }
    return std::string(upload::kUploadPassword);
}

}  // namespace tavro::cli
