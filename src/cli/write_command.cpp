#include <filesystem>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "net/socket.h"
#include "upload/upload_outcome.h"

namespace tavro::cli {
namespace {

// The upload as a terminal shows it: the trace with -v, a progress bar on a terminal.
class TerminalUploadSink final : public UploadSink {
public:
    TerminalUploadSink(std::ostream& err, bool verbose, bool progressBar)
        : err_(err), verbose_(verbose), progressBar_(progressBar) {}

    void AppendText(std::string_view text) override {
        if (verbose_) err_ << text << std::flush;
    }
    void SetProgress(int percent) override {
        if (!progressBar_) return;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        err_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
             << percent << "%" << std::flush;
        barShown_ = true;
    }
    void ShowError(std::string_view text) override { err_ << "Error: " << text << "\n"; }

    void EndBar() {
        if (barShown_) err_ << "\n";
    }

private:
    std::ostream& err_;
    bool verbose_;
    bool progressBar_;
    bool barShown_ = false;
};

int ExitStatusFor(UploadResult result) {
    return (result >= kUploadSucceeded && result <= kUploadInternalError) ? result
                                                                          : kExitNetworkError;
}

}  // namespace

int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err) {
    if (!net::ParseIPv4(options.device)) {
        err << "tavro-writer-cli: " << options.device << " is not an IPv4 address\n";
        return kExitUsage;
    }
    const std::optional<std::string> local =
        ChooseLocalAddress(services, options.interfaceAddress, err);
    if (!local) return kExitFailure;

    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(options.file, ignored);
    const UploadRequest request{
        .deviceAddress = options.device,
        .localAddress = *local,
        .devicePort = kDeviceUploadPort,
        .password = options.password,
        .firmwarePath = absolute.empty() ? options.file : absolute.string(),
    };

    TerminalUploadSink sink(err, options.verbose, !options.verbose && services.stderrIsTerminal());
    const UploadResult result = services.runUpload(request, sink);
    sink.EndBar();

    (result == kUploadSucceeded ? out : err) << UploadOutcomeText(result) << "\n";
    return ExitStatusFor(result);
}

}  // namespace tavro::cli
