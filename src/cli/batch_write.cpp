#include "cli/batch_write.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <ostream>
#include <thread>

#include "cli/device_json.h"
#include "cli/device_upload_sink.h"
#include "cli/device_write_report.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"
#include "cli/terminal_upload_sink.h"
#include "cli/write_board.h"
#include "texts/comeback_texts.h"
#include "texts/upload_texts.h"
#include "upload/connect_back_listener.h"
#include "upload/shared_listener.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string SecondsText(std::chrono::milliseconds span) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::chrono::duration<double>(span).count());
    return text;
}

// Bytes from a device or a path, for one line of a terminal.
std::string ShownOnTerminal(std::string_view text) { return TerminalText(text); }
// The same for a JSON string, which escapes what it must itself.
std::string ShownInJson(std::string_view text) { return std::string(text); }

// Collects a trace for a moment when no device's upload owns it yet.
class CollectedTrace final : public LogSink {
public:
    void AppendText(std::string_view text) override { text_ += text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// What a device's upload got to while it ran, kept where an interrupt can read it.
struct LiveUpload {
    std::atomic<std::int64_t> acknowledged{0};
    std::atomic<int> port{0};
    std::atomic<bool> ended{false};  // the upload returned, with `result`
    std::atomic<int> result{0};
};

// Passes everything on to the device's own sink and keeps how far the upload got.
class RecordingSink final : public upload::UploadSink {
public:
    RecordingSink(upload::UploadSink& shown, LiveUpload& live) : shown_(shown), live_(live) {}

    void AppendText(std::string_view text) override { shown_.AppendText(text); }
    void SetProgress(int percent) override { shown_.SetProgress(percent); }
    void ShowError(std::string_view text) override { shown_.ShowError(text); }
    void InvitationSent(int attempt, int attempts) override {
        shown_.InvitationSent(attempt, attempts);
    }
    void AwaitingConnection(net::Ipv4Address localAddress, std::uint16_t port) override {
        live_.port = port;
        shown_.AwaitingConnection(localAddress, port);
    }
    void BytesAcknowledged(std::int64_t acknowledged, std::int64_t total) override {
        live_.acknowledged = acknowledged;
        shown_.BytesAcknowledged(acknowledged, total);
    }

private:
    upload::UploadSink& shown_;
    LiveUpload& live_;
};

// The write of one file into many devices, each with its own upload, sockets and sink; the
// only things they share are the job's state, the output streams (through the job), the
// listener on a fixed port and the search that watches them come back.
class BatchWrite {
public:
    BatchWrite(const CliServices& services, const WriteOptions& options,
               const WriteSettings& settings, std::vector<WriteTarget> targets, std::ostream& out,
               std::ostream& err)
        : services_(services),
          options_(options),
          settings_(settings),
          targets_(std::move(targets)),
          out_(out),
          err_(err),
          job_(*services.job),
          alone_(targets_.size() == 1 && !options.json),
          watch_(services.discoverDevices, settings.localAddress, services.comebackInterval) {
        for (const WriteTarget& target : targets_) shown_.push_back(target.address.ToString());
    }

    int Run() {
        job_.BeginWrites(TerminalText(options_.file), shown_);
        if (options_.json) {
            job_.RecordInterruptedOn(out_, [this](std::size_t device, int status) {
                return ReportJson(Interrupted(device, status));
            });
        }
        if (!alone_ && !options_.json && settings_.status) {
            board_ = std::make_unique<WriteBoard>(job_, err_, shown_);
        }
        reports_.resize(targets_.size());
        if (MeasureImage() && OpenSharedListener()) WriteAll();
        if (board_) board_->End();
        return Conclude();
    }

private:
    // Every device of the batch receives the same image: the file is measured once, and each
    // upload's bytes are checked against that digest as they go, so a file replaced midway
    // fails the devices not yet done instead of giving them another image. When it cannot be
    // measured, no device is asked, and each tells why.
    bool MeasureImage() {
        if (!services_.measureFirmware || targets_.size() < 2) return true;
        CollectedTrace trace;
        upload::UploadReport failed;
        failed.filePath = AbsoluteUtf8Path(options_.file);
        upload::FirmwareImage image;
        failed.result = services_.measureFirmware(failed.filePath, trace, image, failed);
        if (settings_.trace) job_.Show(err_, TerminalTrace(trace.text()));
        if (failed.result == upload::kUploadSucceeded) {
            image_ = image;
            return true;
        }
        EndEveryDevice(failed);
        return false;
    }

    void EndEveryDevice(const upload::UploadReport& failed) {
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            upload::UploadReport report = failed;
            report.device = targets_[i].address;
            reports_[i] = FromUpload(report, 0.0);
            Ended(i, reports_[i]);
        }
    }

    // Devices written at once cannot each bind the one port a firewall lets in: they share
    // one listener, which hands each connection to the upload of its device. When it cannot
    // be opened, no device is asked, and each tells why.
    bool OpenSharedListener() {
        if (settings_.localPort == 0 || targets_.size() < 2 || !services_.openConnectBackListener)
            return true;
        CollectedTrace trace;
        upload::UploadReport failed;
        listener_ =
            services_.openConnectBackListener(settings_.localAddress, settings_.localPort,
                                              upload::kSharedListenerBacklog, trace, failed);
        if (settings_.trace) job_.Show(err_, TerminalTrace(trace.text()));
        if (listener_) return true;
        EndEveryDevice(failed);
        return false;
    }

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

    // What --json and the summary tell of one device's upload.
    DeviceWriteReport FromUpload(const upload::UploadReport& upload, double seconds) const {
        DeviceWriteReport report;
        report.device = upload.device.ToString();
        report.verifyAsked = options_.verify;
        report.result = upload.result;
        report.outcome = OutcomeKey(upload);
        report.status = ExitStatusFor(upload.result);
        report.cause = texts::CauseText(upload, settings_.language,
                                        options_.json ? ShownInJson : ShownOnTerminal);
        report.localPort = upload.localPort;
        report.bytesSent = upload.bytesAcknowledged;
        report.seconds = seconds;
        return report;
    }

    // One device alone on a terminal (or a pipe) shows itself as a single write always has.
    upload::UploadReport UploadAlone(const WriteTarget& target) {
        TerminalUploadSink sink(job_, err_,
                                {.device = target.address.ToString(),
                                 .language = settings_.language,
                                 .trace = settings_.trace,
                                 .status = settings_.status,
                                 .now = services_.now});
        const upload::UploadReport upload = Upload(0, sink);
        sink.End();
        return upload;
    }

    upload::UploadReport Upload(std::size_t index, upload::UploadSink& shown) {
        RecordingSink sink(shown, live_[index]);
        const upload::UploadReport upload = WriteDevice(
            services_, settings_, targets_[index].address, options_.file, sink, listener_, image_);
        live_[index].result = upload.result;
        live_[index].ended = true;
        return upload;
    }

    upload::UploadReport UploadBeside(std::size_t index) {
        UploadView view{.device = shown_[index],
                        .language = settings_.language,
                        .verbose = settings_.trace,
                        .tracePrefix = "",
                        .board = board_.get(),
                        .now = services_.now};
        if (targets_.size() > 1 && settings_.trace) view.tracePrefix = shown_[index] + ": ";
        DeviceUploadSink sink(job_, err_, index, view);
        const upload::UploadReport upload = Upload(index, sink);
        sink.End();
        return upload;
    }

    DeviceWriteReport WriteOne(std::size_t index) {
        const Clock::time_point start = Clock::now();
        started_[index] = start.time_since_epoch().count();
        upload::UploadReport upload = alone_ ? UploadAlone(targets_[index]) : UploadBeside(index);
        upload.device = targets_[index].address;
        DeviceWriteReport report = FromUpload(upload, 0.0);

        if (report.succeeded() && options_.verify) {
            if (alone_) job_.Show(out_, OutcomeLines(upload, settings_.language));
            AwaitReturn(index, report);
        }
        report.seconds = SecondsSince(start);
        Ended(index, report);
        return report;
    }

    void AwaitReturn(std::size_t index, DeviceWriteReport& report) {
        const WriteTarget& target = targets_[index];
        job_.SetWaitingForReturn(index);
        if (board_) board_->Set(index, texts::AwaitingComebackShortText(settings_.language));
        if (alone_ && settings_.status) {
            job_.Show(err_,
                      texts::AwaitingComebackText(
                          shown_[index], SecondsText(options_.verifyTimeout), settings_.language) +
                          "\n");
        }
        const Clock::time_point written = Clock::now();
        const auto back = watch_.WaitFor(target.address, target.before, written,
                                         written + options_.verifyTimeout);
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
        std::string text = texts::OutcomeText(report.result, settings_.language);
        if (report.verifyAsked && report.succeeded()) {
            text += texts::CameBackSuffix(report.version, settings_.language);
        }
        if (report.status == kExitNotBack) {
            text += texts::NotBackSuffix(SecondsText(options_.verifyTimeout), settings_.language);
        }
        return text;
    }

    // A device whose upload had returned keeps its result (it may have taken the image and
    // been waiting to come back); one cut short has -1. Either way the bytes it acknowledged
    // and the port it was told to connect back to.
    DeviceWriteReport Interrupted(std::size_t index, int status) const {
        const LiveUpload& live = live_[index];
        DeviceWriteReport report;
        report.device = shown_[index];
        report.result = live.ended ? live.result.load() : -1;
        report.outcome = "interrupted";
        report.cause = texts::InterruptedText(settings_.language);
        report.status = status;
        report.verifyAsked = options_.verify;
        report.bytesSent = live.acknowledged;
        report.localPort = live.port;
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
                          texts::OutcomeText(report.result, settings_.language) + "\n" +
                              (report.cause.empty() ? "" : report.cause + "\n"));
        } else if (report.back) {
            job_.Conclude(
                out_,
                texts::CameBackText(report.device, report.version, settings_.language) + "\n");
        } else {
            job_.Conclude(err_,
                          "tavro-writer-cli: " +
                              texts::NotBackText(report.device, SecondsText(options_.verifyTimeout),
                                                 settings_.language) +
                              "\n");
        }
    }

    // "ADDRESS  SECONDS  OUTCOME" for every device, in the order they were named, and under
    // a failed one its cause.
    std::string Summary() const {
        std::string summary;
        for (const DeviceWriteReport& report : reports_) {
            char line[64];
            std::snprintf(line, sizeof line, "%-15s %7.1f s  ", report.device.c_str(),
                          report.seconds);
            summary += line + EndText(report) + "\n";
            if (!report.cause.empty()) summary += "    " + report.cause + "\n";
        }
        return summary;
    }

    const CliServices& services_;
    const WriteOptions& options_;
    const WriteSettings& settings_;
    std::vector<WriteTarget> targets_;
    std::vector<std::string> shown_;  // the devices' addresses as the terminal shows them
    std::ostream& out_;
    std::ostream& err_;
    JobState& job_;
    bool alone_;
    ComebackWatch watch_;
    std::shared_ptr<upload::ConnectBackListener> listener_;  // set: the batch's fixed port
    std::optional<upload::FirmwareImage> image_;             // set: measured once for every device
    std::unique_ptr<WriteBoard> board_;
    std::vector<DeviceWriteReport> reports_;
    // When each device's upload started (0: not yet); the interrupt's thread reads them too.
    std::unique_ptr<std::atomic<Clock::rep>[]> started_ =
        std::make_unique<std::atomic<Clock::rep>[]>(targets_.size());
    std::unique_ptr<LiveUpload[]> live_ = std::make_unique<LiveUpload[]>(targets_.size());
};

}  // namespace

int WriteBatch(const CliServices& services, const WriteOptions& options,
               const WriteSettings& settings, std::vector<WriteTarget> targets, std::ostream& out,
               std::ostream& err) {
    return BatchWrite(services, options, settings, std::move(targets), out, err).Run();
}

}  // namespace tavro::cli
