// The write engine against made-up uploads and a view that records what it is told: each
// device's end once with its own outcome, then the batch's conclusion.

#include "batch/write_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "made_up_network.h"

namespace tavro::batch {
namespace {

class SilentSink final : public upload::UploadSink {
public:
    void AppendText(std::string_view) override {}
    void SetProgress(int) override {}
    void ShowError(std::string_view) override {}
};

// What the engine told the view, in order.
class RecordingView final : public BatchView {
public:
    explicit RecordingView(std::size_t devices) : sinks_(devices) {}

    void Begin() override { Note("begin"); }
    upload::UploadSink& Progress(std::size_t device) override {
        Note("progress " + std::to_string(device));
        return sinks_[device];
    }
    void AwaitingComeback(std::size_t device, const upload::UploadReport&) override {
        Note("awaiting " + std::to_string(device));
    }
    void Ended(std::size_t device, const DeviceOutcome& outcome) override {
        std::lock_guard lock(mutex_);
        events_.push_back("ended " + std::to_string(device));
        ended_.push_back({device, outcome});
    }
    void Concluded(const std::vector<DeviceOutcome>& outcomes) override {
        Note("concluded");
        concluded_ = outcomes;
    }

    std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::pair<std::size_t, DeviceOutcome>> ended_;
    std::vector<DeviceOutcome> concluded_;

private:
    void Note(std::string event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::vector<SilentSink> sinks_;
};

net::Ipv4Address Address(const char* text) { return *net::Ipv4Address::ParseDottedQuad(text); }

TEST(WriteBatchTest, EachDeviceEndsOnceWithItsOwnOutcomeThenTheBatchConcludes) {
    const std::vector<WriteTarget> targets = {{Address("198.18.0.10"), {}, {}},
                                              {Address("198.18.0.11"), {}, {}},
                                              {Address("198.18.0.12"), {}, {}}};
    CoreServices services;
    services.runUpload = [](const upload::UploadRequest& request, upload::UploadSink&,
                            const upload::UploadTimeouts&) {
        upload::UploadReport report;
        report.device = request.deviceAddress;
        // The middle one refuses.
        if (request.deviceAddress == Address("198.18.0.11")) {
            report.result = upload::kUploadRefused;
            report.cause = upload::UploadCause::PasswordRefused;
        }
        return report;
    };
    // Each device listed first with its old version, then with a new one: back after a write.
    std::mutex searchMutex;
    int searches = 0;
    services.discoverDevices = [&](discovery::DeviceTable& table, net::Ipv4Address) {
        std::lock_guard lock(searchMutex);
        const std::uint32_t version = ++searches == 1 ? 105 : 120;
        table.rows[0] = test::MadeUpDevice("198.18.0.10", 0x10, version);
        table.rows[1] = test::MadeUpDevice("198.18.0.12", 0x12, version);
        return discovery::SearchOutcome(2);
    };
    const BatchPlan plan{.file = "/tmp/f.bin",
                         .localAddress = Address("198.18.0.1"),
                         .password = "x",
                         .localPort = 0,
                         .timeouts = {},
                         .jobs = 2,
                         .verify = true,
                         .verifyTimeout = std::chrono::seconds(5),
                         .comebackInterval = std::chrono::milliseconds(10)};
    std::vector<WriteTarget> known = targets;
    for (WriteTarget& target : known) target.before.sketchVersion = 105;
    RecordingView view(targets.size());
    const std::vector<DeviceOutcome> outcomes = WriteBatch(services, plan, known, view);

    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(view.events_.front(), "begin");
    EXPECT_EQ(view.events_.back(), "concluded");
    ASSERT_EQ(view.ended_.size(), 3u) << "a device ended twice or not at all";
    for (const auto& [device, outcome] : view.ended_) {
        EXPECT_EQ(outcome.upload.device, targets[device].address) << device;
        EXPECT_EQ(outcomes[device].upload.device, targets[device].address);
    }
    EXPECT_TRUE(outcomes[0].succeeded());
    EXPECT_FALSE(outcomes[1].succeeded());
    EXPECT_EQ(outcomes[1].upload.cause, upload::UploadCause::PasswordRefused);
    EXPECT_FALSE(outcomes[1].cameBack.has_value()) << "a failed upload was waited for";
    EXPECT_TRUE(outcomes[2].succeeded());
    ASSERT_TRUE(outcomes[2].cameBack.has_value());
    EXPECT_EQ(outcomes[2].cameBack->sketchVersion, 120u);
    EXPECT_EQ(view.concluded_.size(), 3u);
    EXPECT_EQ(std::count(view.events_.begin(), view.events_.end(), "awaiting 1"), 0);
}

}  // namespace
}  // namespace tavro::batch
