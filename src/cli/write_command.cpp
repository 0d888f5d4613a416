#include <filesystem>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/local_interfaces.h"
#include "cli/strict_address.h"
#include "cli/terminal_text.h"
#include "upload/upload_outcome.h"

namespace tavro::cli {
namespace {

// The upload as a terminal shows it: the trace with -v, a progress bar on a terminal. The
// trace may carry a device's words, so it is escaped; a line end or a character that is cut
// between two pieces of the trace waits for the rest.
class TerminalUploadSink final : public upload::UploadSink {
public:
    TerminalUploadSink(JobState& job, std::ostream& err, bool verbose, bool progressBar)
        : job_(job), err_(err), verbose_(verbose), progressBar_(progressBar) {}

    void AppendText(std::string_view text) override {
        if (!verbose_) return;
        pendingTrace_ += text;
        const std::size_t ready = TraceReadyLength(pendingTrace_);
        job_.Show(err_, TerminalTrace(std::string_view(pendingTrace_).substr(0, ready)));
        pendingTrace_.erase(0, ready);
    }
    void SetProgress(int percent) override {
        job_.SetPercent(percent);
        if (!progressBar_) return;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        job_.Show(err_, "\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') +
                            "] " + std::to_string(percent) + "%");
        barShown_ = true;
    }
    void ShowError(std::string_view text) override {
        job_.Show(err_, "Error: " + TerminalText(text) + "\n");
    }

    // Ends the bar's line and shows what is left of the trace.
    void End() {
        if (!pendingTrace_.empty()) job_.Show(err_, TerminalTrace(pendingTrace_));
        if (barShown_) job_.Show(err_, "\n");
    }

private:
    JobState& job_;
    std::ostream& err_;
    bool verbose_;
    bool progressBar_;
    bool barShown_ = false;
    std::string pendingTrace_;
};

int ExitStatusFor(upload::UploadResult result) {
    return (result >= upload::kUploadSucceeded && result <= upload::kUploadInternalError)
               ? result
               : kExitNetworkError;
}

}  // namespace

int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err) {
    const DeviceAddressReading device = ReadDeviceAddress(options.device);
    if (!device.accepted()) {
        err << "tavro-writer-cli: \"" << TerminalText(options.device)
            << "\" is not a device address: " << device.refusal << "\n";
        return kExitUsage;
    }
    const std::optional<net::Ipv4Address> local =
        ChooseLocalAddress(services, options.interfaceAddress, err);
    if (!local) return kExitFailure;

    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(options.file, ignored);
    const upload::UploadRequest request{
        .deviceAddress = device.address,
        .localAddress = *local,
        .devicePort = upload::kDeviceUploadPort,
        .password = options.password,
        .firmwarePath = absolute.empty() ? options.file : absolute.string(),
    };

    JobState& job = *services.job;
    job.BeginWrite(TerminalText(options.file), options.device);
    TerminalUploadSink sink(job, err, options.verbose,
                            !options.verbose && services.stderrIsTerminal());
    const upload::UploadResult result = services.runUpload(request, sink);
    sink.End();

    job.Conclude(result == upload::kUploadSucceeded ? out : err,
                 upload::UploadOutcomeText(result) + "\n");
    return ExitStatusFor(result);
}

}  // namespace tavro::cli
