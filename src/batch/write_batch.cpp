#include "batch/write_batch.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

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
          watch_(services.discoverDevices, plan.localAddress, plan.comebackInterval) {}

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
            view_.Ended(i, outcomes_[i]);
        }
    }

    // At most `jobs` devices at a time, each on a thread of its own.
    void WriteAll() {
        if (targets_.size() == 1) {
            WriteOne(0);
            return;
        }
        std::atomic<std::size_t> next{0};
        const std::size_t workers =
            std::min<std::size_t>(targets_.size(), static_cast<std::size_t>(plan_.jobs));
        std::vector<std::jthread> running;
        for (std::size_t w = 0; w < workers; ++w) {
            running.emplace_back([this, &next] {
                for (std::size_t i; (i = next++) < targets_.size();) WriteOne(i);
            });
        }
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

    void WriteOne(std::size_t index) {
        const WriteTarget& target = targets_[index];
        DeviceOutcome& outcome = outcomes_[index];
        outcome.verifyAsked = plan_.verify;
        if (!target.conflict.empty()) {
            outcome.conflict = target.conflict;
            outcome.upload.device = target.address;
            view_.Ended(index, outcome);
            return;
        }
        const Clock::time_point start = Clock::now();
        outcome.upload =
            services_.runUpload(RequestFor(target), view_.Progress(index), plan_.timeouts);
        outcome.upload.device = target.address;
        outcome.uploadSeconds = SecondsSince(start);
        if (outcome.uploaded() && plan_.verify) {
            view_.AwaitingComeback(index, outcome.upload);
            const Clock::time_point written = Clock::now();
            outcome.cameBack = watch_.WaitFor(target.address, target.before, written,
                                              written + plan_.verifyTimeout);
            if (outcome.cameBack) {
                outcome.comeback = {.state = Comeback::Back,
                                    .row = outcome.cameBack,
                                    .version = outcome.cameBack->sketchVersion,
                                    .localError = 0};
            } else {
                outcome.comeback.state = Comeback::NotBack;
            }
            outcome.verifySeconds = SecondsSince(written);
        }
        view_.Ended(index, outcome);
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
