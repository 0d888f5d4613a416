// The write engine against made-up uploads and a view that records what it is told: each
// device's end once with its own outcome, then the batch's conclusion.

#include "batch/write_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "made_up_network.h"
#include "net/socket_error.h"

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

WriteTarget Target(const char* address) {
    WriteTarget target;
    target.address = Address(address);
    return target;
}

struct SeenDevice {
    const char* address;
    std::uint8_t lastMacByte;
    std::uint32_t strictVersion;
};

// A search that saw these devices answer their version query strictly.
discovery::Sightings SeenWith(const std::vector<SeenDevice>& devices) {
    discovery::Sightings round;
    for (const SeenDevice& device : devices) {
        discovery::Sighting& sighting = round.replies.emplace_back();
        sighting.row = test::MadeUpDevice(device.address, device.lastMacByte, device.strictVersion);
        sighting.version.fate = discovery::VersionFate::Answered;
        sighting.version.strictVersion = device.strictVersion;
        sighting.listed = true;
    }
    return round;
}

upload::UploadReport Taken(const upload::UploadRequest& request) {
    upload::UploadReport report;
    report.device = request.deviceAddress;
    return report;
}

BatchPlan VerifyingPlan(int jobs) {
    return {.file = "/tmp/f.bin",
            .localAddress = Address("198.18.0.1"),
            .password = "x",
            .localPort = 0,
            .timeouts = {},
            .jobs = jobs,
            .verify = true,
            .verifyTimeout = std::chrono::seconds(5),
            .comebackInterval = std::chrono::milliseconds(10)};
}

std::string Numbered(const char* prefix, std::size_t i) { return prefix + std::to_string(i); }

constexpr std::size_t kDevices = 16;

// 198.18.0.10 to .25; device i's hardware address ends in i.
std::vector<std::string> SixteenAddresses() {
    std::vector<std::string> addresses;
    for (std::size_t i = 0; i < kDevices; ++i) addresses.push_back(Numbered("198.18.0.", 10 + i));
    return addresses;
}

std::vector<WriteTarget> SeenAtVersion105(const std::vector<std::string>& addresses) {
    std::vector<WriteTarget> targets;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        WriteTarget& target = targets.emplace_back(Target(addresses[i].c_str()));
        target.before.mac = Mac{0x02, 0x00, 0x5E, 0x0A, 0x0B, static_cast<std::uint8_t>(i)};
        target.before.strictVersion = 105;
    }
    return targets;
}

TEST(WriteBatchTest, EachDeviceEndsOnceWithItsOwnOutcomeThenTheBatchConcludes) {
    const std::vector<WriteTarget> targets = {Target("198.18.0.10"), Target("198.18.0.11"),
                                              Target("198.18.0.12")};
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
    // Each device seen with a new version after the write: back.
    services.searchEveryDevice = [](net::Ipv4Address) {
        return SeenWith({{"198.18.0.10", 0x10, 120}, {"198.18.0.12", 0x12, 120}});
    };
    const BatchPlan plan = VerifyingPlan(2);
    std::vector<WriteTarget> known = targets;
    for (WriteTarget& target : known) target.before.strictVersion = 105;
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
    EXPECT_EQ(outcomes[1].comeback.state, Comeback::NotAsked) << "a failed upload was waited for";
    EXPECT_TRUE(outcomes[2].succeeded());
    EXPECT_EQ(outcomes[2].comeback.state, Comeback::Back);
    EXPECT_EQ(outcomes[2].comeback.version, 120u);
    ASSERT_TRUE(outcomes[2].comeback.row.has_value()) << "the views read the row from here";
    EXPECT_EQ(outcomes[2].comeback.row->macAddress[5], 0x12);
    EXPECT_EQ(view.concluded_.size(), 3u);
    EXPECT_EQ(std::count(view.events_.begin(), view.events_.end(), "awaiting 1"), 0);
}

// Sixteen devices, eight at a time: they come back only once every one was started, so the
// first eight can only be verified if their waits left their places to the second eight.
TEST(WriteBatchTest, ADeviceWaitingToComeBackGivesUpItsPlace) {
    const std::vector<std::string> addresses = SixteenAddresses();
    const std::vector<WriteTarget> targets = SeenAtVersion105(addresses);
    std::atomic<std::size_t> started{0};
    CoreServices services;
    services.runUpload = [&](const upload::UploadRequest& request, upload::UploadSink&,
                             const upload::UploadTimeouts&) {
        ++started;
        return Taken(request);
    };
    services.searchEveryDevice = [&](net::Ipv4Address) {
        if (started < kDevices) return discovery::Sightings();
        std::vector<SeenDevice> seen;
        for (std::size_t i = 0; i < kDevices; ++i) {
            seen.push_back({addresses[i].c_str(), static_cast<std::uint8_t>(i), 120});
        }
        return SeenWith(seen);
    };
    services.queryVersionOf = [](net::Ipv4Address, net::Ipv4Address) {
        return discovery::VersionFinding();  // silent: resetting
    };
    RecordingView view(kDevices);
    const std::vector<DeviceOutcome> outcomes =
        WriteBatch(services, VerifyingPlan(8), targets, view);

    ASSERT_EQ(outcomes.size(), kDevices);
    for (std::size_t i = 0; i < kDevices; ++i) {
        EXPECT_EQ(outcomes[i].upload.device, targets[i].address) << "outcomes out of order";
        EXPECT_EQ(outcomes[i].comeback.state, Comeback::Back) << i;
        for (const char* event : {"awaiting ", "ended "}) {
            EXPECT_EQ(std::count(view.events_.begin(), view.events_.end(), Numbered(event, i)), 1)
                << event << i;
        }
    }
    const auto at = [&](const std::string& event) {
        return std::find(view.events_.begin(), view.events_.end(), event) - view.events_.begin();
    };
    EXPECT_LT(at("progress 8"), at("ended 0")) << "the ninth waited for the first's verdict";
}

TEST(WriteBatchTest, AnAddressTwoDevicesAnswerFromIsNotWritten) {
    const std::vector<Mac> both = {Mac{0x02, 0x00, 0x5E, 0x0A, 0x0B, 0x10},
                                   Mac{0x02, 0x00, 0x5E, 0x0A, 0x0B, 0x11}};
    std::mutex mutex;
    std::vector<std::string> reached;  // uploads and direct questions, by address
    CoreServices services;
    services.runUpload = [&](const upload::UploadRequest& request, upload::UploadSink&,
                             const upload::UploadTimeouts&) {
        std::lock_guard lock(mutex);
        reached.push_back("upload " + request.deviceAddress.ToString());
        return Taken(request);
    };
    services.searchEveryDevice = [](net::Ipv4Address) {
        return SeenWith({{"198.18.0.10", 0x10, 120}, {"198.18.0.10", 0x11, 120}});
    };
    services.queryVersionOf = [&](net::Ipv4Address, net::Ipv4Address device) {
        std::lock_guard lock(mutex);
        reached.push_back("asked " + device.ToString());
        return discovery::VersionFinding();
    };
    for (const bool alone : {false, true}) {
        std::vector<WriteTarget> targets = {Target("198.18.0.10")};
        targets[0].conflict = both;
        if (!alone) targets.push_back(Target("198.18.0.12"));
        reached.clear();
        RecordingView view(targets.size());
        BatchPlan plan = VerifyingPlan(2);
        plan.verifyTimeout = std::chrono::milliseconds(100);
        const std::vector<DeviceOutcome> outcomes = WriteBatch(services, plan, targets, view);

        ASSERT_EQ(outcomes.size(), targets.size());
        EXPECT_EQ(outcomes[0].conflict, both);
        EXPECT_FALSE(outcomes[0].uploaded());
        EXPECT_FALSE(outcomes[0].succeeded());
        EXPECT_NE(outcomes[0].upload.result, upload::kUploadSucceeded)
            << "a front end reading only the result would call it written";
        EXPECT_EQ(outcomes[0].upload.device, targets[0].address);
        EXPECT_EQ(outcomes[0].comeback.state, Comeback::NotAsked);
        for (const std::string& contact : reached) {
            EXPECT_EQ(contact.find("198.18.0.10"), std::string::npos) << contact;
        }
        EXPECT_EQ(std::count(view.events_.begin(), view.events_.end(), "ended 0"), 1);
        EXPECT_EQ(std::count(view.events_.begin(), view.events_.end(), "awaiting 0"), 0);
        if (!alone) {
            EXPECT_TRUE(outcomes[1].uploaded()) << "the others were not written";
            EXPECT_EQ(std::count(reached.begin(), reached.end(), "upload 198.18.0.12"), 1);
        }
    }
}

// Devices that never go away, watched by a computer short of descriptors: half are seen but
// cannot be asked their version, the others cannot even be asked directly.
TEST(WriteBatchTest, WhenThisComputerCannotLookNoDeviceIsVerified) {
    const std::vector<std::string> addresses = SixteenAddresses();
    const std::vector<WriteTarget> targets = SeenAtVersion105(addresses);
    CoreServices services;
    services.runUpload = [](const upload::UploadRequest& request, upload::UploadSink&,
                            const upload::UploadTimeouts&) { return Taken(request); };
    services.searchEveryDevice = [&](net::Ipv4Address) {
        discovery::Sightings round;
        for (std::size_t i = 0; i < kDevices; i += 2) {
            discovery::Sighting& sighting = round.replies.emplace_back();
            sighting.row =
                test::MadeUpDevice(addresses[i].c_str(), static_cast<std::uint8_t>(i), 105);
            sighting.version.fate = discovery::VersionFate::LocalFailure;
            sighting.version.localError = net::kErrorTooManySockets;
        }
        return round;
    };
    services.queryVersionOf = [](net::Ipv4Address, net::Ipv4Address) {
        discovery::VersionFinding finding;
        finding.fate = discovery::VersionFate::LocalFailure;
        finding.localError = net::kErrorTooManySockets;
        return finding;
    };
    BatchPlan plan = VerifyingPlan(16);
    plan.verifyTimeout = std::chrono::milliseconds(300);
    RecordingView view(kDevices);
    const std::vector<DeviceOutcome> outcomes = WriteBatch(services, plan, targets, view);

    ASSERT_EQ(outcomes.size(), kDevices);
    for (std::size_t i = 0; i < kDevices; ++i) {
        EXPECT_FALSE(outcomes[i].succeeded()) << i;
        EXPECT_EQ(outcomes[i].comeback.state, Comeback::WatchFailed) << i;
        EXPECT_EQ(outcomes[i].comeback.localError, net::kErrorTooManySockets) << i;
    }
}

TEST(WriteBatchTest, EveryDeviceIsWrittenWhateverTheJobCount) {
    CoreServices services;
    std::atomic<int> uploads{0};
    services.runUpload = [&](const upload::UploadRequest& request, upload::UploadSink&,
                             const upload::UploadTimeouts&) {
        ++uploads;
        return Taken(request);
    };
    const std::vector<WriteTarget> targets = {Target("198.18.0.10"), Target("198.18.0.11")};
    for (const int jobs : {0, -3, 1000}) {
        uploads = 0;
        BatchPlan plan = VerifyingPlan(jobs);
        plan.verify = false;
        RecordingView view(targets.size());
        WriteBatch(services, plan, targets, view);
        EXPECT_EQ(uploads.load(), 2) << jobs << " jobs";
        EXPECT_EQ(view.ended_.size(), 2u) << jobs << " jobs";
    }
    RecordingView none(0);
    EXPECT_TRUE(WriteBatch(services, VerifyingPlan(8), {}, none).empty());
    EXPECT_EQ(none.events_.back(), "concluded");
}

}  // namespace
}  // namespace tavro::batch
