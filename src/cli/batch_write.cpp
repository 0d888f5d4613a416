#include "cli/batch_write.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <thread>

#include "cli/device_json.h"
#include "cli/device_upload_sink.h"
#include "cli/device_write_report.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"
#include "cli/write_board.h"
#include "upload/upload_outcome.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kBlockSize = 1024;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string SecondsText(std::chrono::milliseconds span) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::chrono::duration<double>(span).count());
    return text;
}

// The write of one file into many devices, each with its own upload, sockets and sink; the
// only things they share are the job's state, the output streams (through the job) and the
// search that watches them come back.
class BatchWrite {
public:
    BatchWrite(const CliServices& services, const WriteOptions& options, std::string local,
               std::vector<WriteTarget> targets, std::ostream& out, std::ostream& err)
        : services_(services),
          options_(options),
          local_(std::move(local)),
          targets_(std::move(targets)),
          out_(out),
          err_(err),
          job_(*services.job),
          alone_(targets_.size() == 1 && !options.json),
          watch_(services.discoverDevices, local_, services.comebackInterval) {
        std::error_code failed;
        const std::filesystem::path absolute = std::filesystem::absolute(options.file, failed);
        firmwarePath_ = absolute.empty() ? options.file : absolute.string();
        // Unknown (0) for a file that is not there: the upload says what is wrong with it.
        const auto size = std::filesystem::file_size(firmwarePath_, failed);
        fileSize_ = failed ? 0 : static_cast<std::int64_t>(size);
    }

    int Run() {
        std::vector<std::string> shown;
        for (const WriteTarget& target : targets_) shown.push_back(target.address);
        job_.BeginWrites(TerminalText(options_.file), shown);
        if (options_.json) {
            job_.RecordInterruptedOn(out_, [this](std::size_t device, int status) {
                return ReportJson(Interrupted(device, status));
            });
        }
        if (!alone_ && !options_.json && !options_.verbose && services_.stderrIsTerminal()) {
            board_ = std::make_unique<WriteBoard>(job_, err_, shown);
        }
        reports_.resize(targets_.size());
        WriteAll();
        if (board_) board_->End();
        return Conclude();
    }

private:
    // At most `jobs` devices at a time, each on a thread of its own.
    void WriteAll() {
        if (targets_.size() == 1) {
            reports_[0] = WriteOne(0);
            return;
        }
        std::atomic<std::size_t> next{0};
        const std::size_t workers =
            std::min<std::size_t>(targets_.size(), static_cast<std::size_t>(options_.jobs));
        std::vector<std::jthread> running;
        for (std::size_t w = 0; w < workers; ++w) {
            running.emplace_back([this, &next] {
                for (std::size_t i; (i = next++) < targets_.size();) reports_[i] = WriteOne(i);
            });
        }
    }

    DeviceWriteReport WriteOne(std::size_t index) {
        const Clock::time_point start = Clock::now();
        started_[index] = start.time_since_epoch().count();
        const WriteTarget& target = targets_[index];
        DeviceWriteReport report;
        report.device = target.address;
        report.verifyAsked = options_.verify;

        UploadView view;
        view.verbose = options_.verbose;
        view.bar = alone_ && !options_.verbose && services_.stderrIsTerminal();
        if (!alone_ && options_.verbose) view.tracePrefix = target.address + ": ";
        view.board = board_.get();
        DeviceUploadSink sink(job_, err_, index, view);
        const upload::UploadRequest request{
            .deviceAddress = target.address,
            .localAddress = local_,
            .devicePort = upload::kDeviceUploadPort,
            .password = options_.password,
            .firmwarePath = firmwarePath_,
        };
        report.result = services_.runUpload(request, sink);
        sink.End();

        const TraceFacts& facts = sink.facts();
        report.outcome = OutcomeKey(report.result, facts.invitationUnanswered(), facts.badAnswer());
        report.status = ExitStatusFor(report.result);
        report.cause = report.succeeded() ? "" : upload::UploadOutcomeText(report.result);
        report.localPort = facts.localPort();
        report.bytesSent = sink.acknowledgedBlocks() * kBlockSize;
        if (fileSize_ > 0) report.bytesSent = std::min(report.bytesSent, fileSize_);

        if (report.succeeded() && options_.verify) {
            if (alone_) job_.Show(out_, upload::UploadOutcomeText(report.result) + "\n");
            AwaitReturn(index, report);
        }
        report.seconds = SecondsSince(start);
        Ended(index, report);
        return report;
    }

    void AwaitReturn(std::size_t index, DeviceWriteReport& report) {
        const WriteTarget& target = targets_[index];
        job_.SetWaitingForReturn(index);
        if (board_) board_->Set(index, "waiting for it to come back");
        if (alone_ && services_.stderrIsTerminal()) {
            job_.Show(err_, "waiting for " + target.address + " to come back (at most " +
                                SecondsText(options_.verifyTimeout) + " s)\n");
        }
        const Clock::time_point written = Clock::now();
        const auto back =
            watch_.WaitFor(target.address, target.mac, written, written + options_.verifyTimeout);
        report.back = back.has_value();
        if (back) report.version = VersionText(back->sketchVersion);
        if (!back) report.status = kExitNotBack;
    }

    // What the device's end shows: its JSON line, its outcome when it is alone, its line on
    // the board.
    void Ended(std::size_t index, const DeviceWriteReport& report) {
        if (options_.json) {
            job_.SetEnded(index, report.outcome, &out_, ReportJson(report));
            return;
        }
        job_.SetEnded(index, report.outcome);
        if (board_) {
            board_->Set(index, EndText(report), true);
        }
    }

    std::string EndText(const DeviceWriteReport& report) const {
        std::string text = upload::UploadOutcomeText(report.result);
        if (report.verifyAsked && report.succeeded())
            text += ", back with version " + report.version;
        if (report.status == kExitNotBack) {
            text += ", did not come back within " + SecondsText(options_.verifyTimeout) + " s";
        }
        return text;
    }

    DeviceWriteReport Interrupted(std::size_t index, int status) const {
        DeviceWriteReport report;
        report.device = targets_[index].address;
        report.result = -1;
        report.outcome = "interrupted";
        report.cause = "interrupted";
        report.status = status;
        report.verifyAsked = options_.verify;
        if (const Clock::rep started = started_[index]; started != 0) {
            report.seconds = SecondsSince(Clock::time_point(Clock::duration(started)));
        }
        return report;
    }

    // The device's own outcome when it is alone, else the summary; the first failure's status.
    int Conclude() {
        int status = kExitOk;
        for (const DeviceWriteReport& report : reports_) {
            if (!report.succeeded()) {
                status = report.status;
                break;
            }
        }
        if (options_.json) {
            job_.Finish();
        } else if (alone_) {
            ConcludeAlone(reports_[0]);
        } else {
            job_.Conclude(out_, Summary());
        }
        return status;
    }

    void ConcludeAlone(const DeviceWriteReport& report) {
        if (!report.verifyAsked || report.result != upload::kUploadSucceeded) {
            job_.Conclude(report.succeeded() ? out_ : err_,
                          upload::UploadOutcomeText(report.result) + "\n");
        } else if (report.back) {
            job_.Conclude(out_, report.device + " came back with version " + report.version + "\n");
        } else {
            job_.Conclude(err_, "tavro-writer-cli: " + report.device +
                                    " did not come back within " +
                                    SecondsText(options_.verifyTimeout) + " s\n");
        }
    }

    // "ADDRESS  SECONDS  OUTCOME" for every device, in the order they were named.
    std::string Summary() const {
        std::string summary;
        for (const DeviceWriteReport& report : reports_) {
            char line[64];
            std::snprintf(line, sizeof line, "%-15s %7.1f s  ", report.device.c_str(),
                          report.seconds);
            summary += line + EndText(report) + "\n";
        }
        return summary;
    }

    const CliServices& services_;
    const WriteOptions& options_;
    std::string local_;
    std::vector<WriteTarget> targets_;
    std::ostream& out_;
    std::ostream& err_;
    JobState& job_;
    bool alone_;
    ComebackWatch watch_;
    std::string firmwarePath_;
    std::int64_t fileSize_ = 0;
    std::unique_ptr<WriteBoard> board_;
    std::vector<DeviceWriteReport> reports_;
    // When each device's upload started (0: not yet); the interrupt's thread reads them too.
    std::unique_ptr<std::atomic<Clock::rep>[]> started_ =
        std::make_unique<std::atomic<Clock::rep>[]>(targets_.size());
};

}  // namespace

int WriteBatch(const CliServices& services, const WriteOptions& options, std::string localAddress,
               std::vector<WriteTarget> targets, std::ostream& out, std::ostream& err) {
    return BatchWrite(services, options, std::move(localAddress), std::move(targets), out, err)
        .Run();
}

}  // namespace tavro::cli
