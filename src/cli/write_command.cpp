#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/strict_address.h"
#include "cli/terminal_text.h"
#include "cli/terminal_upload_sink.h"
#include "cli/write_device.h"

namespace tavro::cli {

int RunWriteCommand(const CliServices& services, const WriteOptions& options, std::ostream& out,
                    std::ostream& err) {
    const DeviceAddressReading device = ReadDeviceAddress(options.device);
    if (!device.accepted()) {
        err << "tavro-writer-cli: \"" << TerminalText(options.device)
            << "\" is not a device address: " << device.refusal << "\n";
        return kExitUsage;
    }
    int status = kExitOk;
    const std::optional<WriteSettings> settings =
        SettleWriteSettings(services, options, err, status);
    if (!settings) return status;

    JobState& job = *services.job;
    job.BeginWrite(TerminalText(options.file), options.device);
    TerminalUploadSink sink(job, err,
                            {.device = options.device,
                             .language = settings->language,
                             .trace = settings->trace,
                             .status = settings->status,
                             .now = services.now});
    const upload::UploadReport report =
        WriteDevice(services, *settings, device.address, options.file, sink);
    sink.End();

    job.Conclude(report.result == upload::kUploadSucceeded ? out : err,
                 OutcomeLines(report, settings->language));
    return ExitStatusFor(report.result);
}

}  // namespace tavro::cli
