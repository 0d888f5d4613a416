#include "cli/run_log.h"

#include <ostream>

#include "cli/console/terminal_text.h"
#include "cli/exit_status.h"

namespace tavro::cli {
namespace {

// How long a stop waits for a line being written before it adds its own.
constexpr std::chrono::milliseconds kLineWait{100};

const char* InputItIs(const TraceLog& log, const RunInputs& inputs) {
    if (log.IsFileAt(inputs.firmware)) return "the firmware file";
    if (log.IsFileAt(inputs.passwordFile)) return "the password file";
    return nullptr;
}

const char* StreamItIs(const TraceLog& log) {
    if (log.IsWhereStandardStreamGoes(1)) return "standard output";
    if (log.IsWhereStandardStreamGoes(2)) return "standard error";
    return nullptr;
}

}  // namespace

// The file is opened first and judged as opened: a log that did not exist yet may be the very
// file the run is about to read (a firmware path that names nothing until the log made it).
std::shared_ptr<TraceLog> OpenRunLog(const std::string& path, const RunInputs& inputs,
                                     const CommandContext& context, int& status) {
    std::string why;
    std::shared_ptr<TraceLog> log = TraceLog::Open(path, why);
    if (!log) {
        context.err << "tavro-writer-cli: cannot write the log " << TerminalText(path) << ": "
                    << why << "\n";
        status = kExitFailure;
        return nullptr;
    }
    if (const char* const input = InputItIs(*log, inputs); input != nullptr) {
        log->Abandon();
        context.err << "tavro-writer-cli: the log " << TerminalText(path) << " is " << input
                    << "; the trace would be written into it\n";
        status = kExitUsage;
        return nullptr;
    }
    // A stream opened by the shell writes from its own place in the file, over the log's lines.
    if (const char* const stream = StreamItIs(*log); stream != nullptr) {
        log->Abandon();
        context.err << "tavro-writer-cli: the log " << TerminalText(path) << " is where " << stream
                    << " goes; the two would write over each other\n";
        status = kExitUsage;
        return nullptr;
    }
    log->AddRunHeader(context.arguments);
    // The log is closed when the run lets it go; a stop after that finds nothing to add.
    context.services.job->OnInterrupt(
        [weak = std::weak_ptr<TraceLog>(log)](std::string_view notice) {
            if (const std::shared_ptr<TraceLog> open = weak.lock())
                open->Interrupt(notice, kLineWait);
        });
    return log;
}

}  // namespace tavro::cli
