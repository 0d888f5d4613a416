#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_services.h"
#include "cli/commands.h"
#include "texts/language.h"
#include "upload/upload_report.h"
#include "upload/upload_request.h"
#include "upload/upload_sink.h"

namespace tavro::cli {

// What every device of one write shares, settled once from the options and the environment.
struct WriteSettings {
    net::Ipv4Address localAddress;
    std::string password;
    std::uint16_t localPort = 0;  // 0: the system picks one per upload
    upload::UploadTimeouts timeouts;
    texts::Language language = texts::Language::English;
    bool trace = false;   // -v
    bool status = false;  // stderr is a terminal and there is no trace
};

// The settings, or nullopt with the exit status after a message on err.
std::optional<WriteSettings> SettleWriteSettings(const CliServices& services,
                                                 const WriteOptions& options, std::ostream& err,
                                                 int& status);

// Writes the file into one device (already read as a strict address) through the sink, and
// tells why it ended as it did; with a listener, the device connects back to that one, which
// other uploads may share; with an image, the file measured once for all of them. Touches no
// stream: a runner of several devices calls it from as many threads, each with a sink of its
// own.
upload::UploadReport WriteDevice(const CliServices& services, const WriteSettings& settings,
                                 net::Ipv4Address device, const std::string& file,
                                 upload::UploadSink& sink,
                                 std::shared_ptr<upload::ConnectBackListener> listener = nullptr,
                                 std::optional<upload::FirmwareImage> image = std::nullopt);

// The file's absolute path, in UTF-8 as it came.
std::string AbsoluteUtf8Path(const std::string& file);

// The outcome line and, after a failure, the cause line; each ends in "\n".
std::string OutcomeLines(const upload::UploadReport& report, texts::Language language);

// The process exit status for an upload's outcome: its own 0..3, 4 for any network code.
int ExitStatusFor(upload::UploadResult result);

}  // namespace tavro::cli
