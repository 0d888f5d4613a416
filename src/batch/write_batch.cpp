#include "batch/write_batch.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "batch/comeback_watch.h"
#include "upload/connect_back_listener.h"
#include "upload/shared_listener.h"

namespace tavro::batch {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Collects the trace of what the batch does before any device's upload owns it.
class CollectedTrace final : public LogSink {
public:
    void AppendText(std::string_view text) override { text_ += text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The write of one file into many devices, each with its own upload, sockets and sink; the
// only things they share are the image, the listener on a fixed port and the search that
// watches them come back.
class BatchWrite {
public:
    BatchWrite(const CoreServices& services, const BatchPlan& plan,
               const std::vector<WriteTarget>& targets, BatchView& view)
        : services_(services),
          plan_(plan),
          targets_(targets),
          view_(view),
          path_(AbsoluteUtf8Path(plan.file)),
          outcomes_(targets.size()),
          watch_(services.searchEveryDevice, services.queryVersionOf, plan.localAddress,
                 plan.comebackInterval) {}

    std::vector<DeviceOutcome> Run() {
        view_.Begin();
        if (MeasureImage() && OpenSharedListener()) WriteAll();
        view_.Concluded(outcomes_);
        return outcomes_;
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
        failed.filePath = path_;
        upload::FirmwareImage image;
        failed.result = services_.measureFirmware(path_, trace, image, failed);
        if (failed.result == upload::kUploadSucceeded) {
            image_ = image;
            return true;
        }
        EndEveryDevice(failed, trace.text());
        return false;
    }

    // Devices written at once cannot each bind the one port a firewall lets in: they share
    // one listener, which hands each connection to the upload of its device. When it cannot
    // be opened, no device is asked, and each tells why.
    bool OpenSharedListener() {
        if (plan_.localPort == 0 || targets_.size() < 2 || !services_.openConnectBackListener) {
            return true;
        }
        CollectedTrace trace;
        upload::UploadReport failed;
        listener_ = services_.openConnectBackListener(
            plan_.localAddress, plan_.localPort, upload::kSharedListenerBacklog, trace, failed);
        if (listener_) return true;
        failed.filePath = path_;
        EndEveryDevice(failed, trace.text());
        return false;
    }

    void EndEveryDevice(const upload::UploadReport& failed, const std::string& trace) {
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            view_.Progress(i).AppendText(trace);
            outcomes_[i].upload = failed;
            outcomes_[i].upload.device = targets_[i].address;
            outcomes_[i].verifyAsked = plan_.verify;
            outcomes_[i].conflict = targets_[i].conflict;
            view_.Ended(i, outcomes_[i]);
        }
    }

    // At most `jobs` uploads at a time, each on a thread of its own. A device waiting to come
    // back holds no upload's place: its wait runs on a thread of its own, so the next device
    // starts meanwhile.
    void WriteAll() {
        if (targets_.empty()) return;
        if (targets_.size() == 1) {
            if (Upload(0)) AwaitComeback(0, Clock::now());
            return;
        }
        std::atomic<std::size_t> next{0};
        // At least one, whatever a caller asks: none would end no device at all.
        const std::size_t workers = std::clamp<std::size_t>(
            static_cast<std::size_t>(std::max(plan_.jobs, 1)), 1, targets_.size());
        {
            std::vector<std::jthread> running;
            for (std::size_t w = 0; w < workers; ++w) {
                running.emplace_back([this, &next] {
                    for (std::size_t i; (i = next++) < targets_.size();) {
                        if (Upload(i)) AwaitComebackAside(i);
                    }
                });
            }
        }
        std::lock_guard lock(waitsMutex_);
        waits_.clear();  // joins them: every wait is bounded by its deadline
    }

    // Ends the device at once unless it was written and must now come back.
    bool Upload(std::size_t index) {
        const WriteTarget& target = targets_[index];
        DeviceOutcome& outcome = outcomes_[index];
        outcome.verifyAsked = plan_.verify;
        if (!target.conflict.empty()) {
            // A write there may reach any of them: nobody is asked, and nothing reads as taken.
            outcome.conflict = target.conflict;
            outcome.upload.result = upload::kUploadRefused;
            outcome.upload.device = target.address;
            outcome.upload.filePath = path_;
            view_.Ended(index, outcome);
            return false;
        }
        const Clock::time_point start = Clock::now();
        outcome.upload =
            services_.runUpload(RequestFor(target), view_.Progress(index), plan_.timeouts);
        outcome.upload.device = target.address;
        outcome.uploadSeconds = SecondsSince(start);
        if (!outcome.uploaded() || !plan_.verify) {
            view_.Ended(index, outcome);
            return false;
        }
        view_.AwaitingComeback(index, outcome.upload);
        return true;
    }

    void AwaitComebackAside(std::size_t index) {
        const Clock::time_point written = Clock::now();
        {
            std::lock_guard lock(waitsMutex_);
            try {
                waits_.emplace_back([this, index, written] { AwaitComeback(index, written); });
                return;
            } catch (const std::system_error&) {
                // No thread to spare: this one waits, still within the device's deadline.
            }
        }
        AwaitComeback(index, written);
    }

    // Within a day, so that no deadline overflows the clock; never before the final word.
    std::chrono::milliseconds VerifyTimeout() const {
        return std::clamp<std::chrono::milliseconds>(
            plan_.verifyTimeout, std::chrono::milliseconds(0), std::chrono::hours(24));
    }

    void AwaitComeback(std::size_t index, Clock::time_point written) {
        DeviceOutcome& outcome = outcomes_[index];
        outcome.comeback = watch_.WaitFor(targets_[index].address, targets_[index].before, written,
                                          written + VerifyTimeout());
        outcome.verifySeconds = SecondsSince(written);
        view_.Ended(index, outcome);
    }

    upload::UploadRequest RequestFor(const WriteTarget& target) const {
        return {
            .deviceAddress = target.address,
            .localAddress = plan_.localAddress,
            .devicePort = upload::kDeviceUploadPort,
            .password = plan_.password,
            .firmwarePath = path_,
            .localPort = plan_.localPort,
            .sharedListener = listener_,
            .image = image_,
        };
    }

    const CoreServices& services_;
    const BatchPlan& plan_;
    const std::vector<WriteTarget>& targets_;
    BatchView& view_;
    const std::string path_;
    std::vector<DeviceOutcome> outcomes_;
    ComebackWatch watch_;
    std::optional<upload::FirmwareImage> image_;             // set: measured once for every device
    std::shared_ptr<upload::ConnectBackListener> listener_;  // set: the batch's fixed port
    std::mutex waitsMutex_;
    std::vector<std::jthread> waits_;  // of the devices waiting to come back
};

}  // namespace

// Paths go through std::filesystem as UTF-8 text: its narrow strings are the ANSI code page on
// Windows, which cannot hold every name.
std::string AbsoluteUtf8Path(const std::string& file) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(
        std::filesystem::path(std::u8string(file.begin(), file.end())), ignored);
    if (absolute.empty()) return file;
    const std::u8string utf8 = absolute.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::vector<DeviceOutcome> WriteBatch(const CoreServices& services, const BatchPlan& plan,
                                      const std::vector<WriteTarget>& targets, BatchView& view) {
    return BatchWrite(services, plan, targets, view).Run();
}

}  // namespace tavro::batch
