#include "cli/write_device.h"

#include <cmath>
#include <filesystem>
#include <ostream>

#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/password_source.h"
#include "cli/terminal_text.h"
#include "texts/upload_texts.h"

namespace tavro::cli {
namespace {

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000.0)));
}

std::string ShownForeignText(std::string_view text) { return TerminalText(text); }

}  // namespace

// Paths go through std::filesystem as UTF-8 text: its narrow strings are the ANSI code page
// on Windows, which cannot hold every name.
std::string AbsoluteUtf8Path(const std::string& file) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(
        std::filesystem::path(std::u8string(file.begin(), file.end())), ignored);
    if (absolute.empty()) return file;
    const std::u8string utf8 = absolute.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::optional<WriteSettings> SettleWriteSettings(const CliServices& services,
                                                 const WriteOptions& options, std::ostream& err,
                                                 int& status) {
    WriteSettings settings;
    const std::optional<std::string> password =
        ResolvePassword({options.password, options.passwordFile}, services.environment, err);
    if (!password) {
        status = kExitUsage;
        return std::nullopt;
    }
    settings.password = *password;
    const std::optional<net::Ipv4Address> local =
        ChooseLocalAddress(services, options.interface, err);
    if (!local) {
        status = kExitFailure;
        return std::nullopt;
    }
    settings.localAddress = *local;
    settings.localPort = options.localPort;
    if (options.connectTimeoutSeconds) {
        settings.timeouts.connectBack = Milliseconds(*options.connectTimeoutSeconds);
    }
    if (options.ackTimeoutSeconds) {
        settings.timeouts.acknowledgement = Milliseconds(*options.ackTimeoutSeconds);
    }
    settings.language = texts::LanguageFromEnvironment(services.environment);
    settings.trace = options.verbose;
    settings.status = !options.verbose && services.stderrIsTerminal();
    return settings;
}

upload::UploadReport WriteDevice(const CliServices& services, const WriteSettings& settings,
                                 net::Ipv4Address device, const std::string& file,
                                 upload::UploadSink& sink,
                                 std::shared_ptr<upload::ConnectBackListener> listener,
                                 std::optional<upload::FirmwareImage> image) {
    const upload::UploadRequest request{
        .deviceAddress = device,
        .localAddress = settings.localAddress,
        .devicePort = upload::kDeviceUploadPort,
        .password = settings.password,
        .firmwarePath = AbsoluteUtf8Path(file),
        .localPort = settings.localPort,
        .sharedListener = std::move(listener),
        .image = std::move(image),
    };
    return services.runUpload(request, sink, settings.timeouts);
}

std::string OutcomeLines(const upload::UploadReport& report, texts::Language language) {
    std::string lines = texts::OutcomeText(report.result, language) + "\n";
    if (const std::string cause = texts::CauseText(report, language, ShownForeignText);
        !cause.empty()) {
        lines += cause + "\n";
    }
    return lines;
}

int ExitStatusFor(upload::UploadResult result) {
    return (result >= upload::kUploadSucceeded && result <= upload::kUploadInternalError)
               ? result
               : kExitNetworkError;
}

}  // namespace tavro::cli
