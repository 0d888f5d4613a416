// The truth of each device of a batch against devices that misbehave on purpose: a device
// that connects back from another's address, a crowd through one port, a flood of silent
// connections, a device that never resets, a file replaced midway, a device answering the
// probe three times. Every "ok" must be a device that stored the image.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "cli_process.h"
#include "device_network_test.h"
#include "json_lines.h"
#include "upload_test.h"

namespace tavro::test {
namespace {

using ::testing::SizeIs;

constexpr const char* kA = "198.18.0.10";
constexpr const char* kB = "198.18.0.11";

class BatchTruthTest : public DeviceNetworkTest {
protected:
    // The JSON line of every device, by address; empty after a failure of the run itself.
    std::map<std::string, JsonObject> Write(std::vector<std::string> arguments, int& status) {
        arguments.insert(arguments.begin(), {"write", "--json"});
        arguments.push_back(image_.path());
        CliProcess cli(arguments);
        EXPECT_TRUE(cli.started());
        return Lines(cli.Wait(std::chrono::seconds(120)), status);
    }

    static std::map<std::string, JsonObject> Lines(const std::optional<Ended>& ended, int& status) {
        std::map<std::string, JsonObject> lines;
        EXPECT_TRUE(ended) << "the write did not end";
        if (!ended) return lines;
        status = ended->status;
        const auto objects = ReadJsonLines(ended->out);
        EXPECT_TRUE(objects.has_value()) << ended->out << ended->err;
        if (!objects) return lines;
        for (const JsonObject& object : *objects) lines[object.at("device").text] = object;
        return lines;
    }

    // The record says the device took the image (result 0; "ok" only when it was also
    // verified, where that was asked) exactly when it stored it, and stored exactly this image.
    void ExpectTruth(const std::map<std::string, JsonObject>& lines, const std::string& device,
                     const std::string& bytes) {
        ASSERT_TRUE(lines.contains(device)) << device << " has no line";
        const auto stored = sim().StoredImage(device);
        const JsonObject& line = lines.at(device);
        const bool took = line.at("result").text == "0";
        EXPECT_EQ(took, stored.has_value()) << device << ": " << line.at("cause").text;
        EXPECT_TRUE(took || line.at("outcome").text != "ok") << device << " ok without the image";
        if (took && stored) {
            EXPECT_TRUE(*stored == bytes) << device << " holds another image";
        }
    }

    FirmwareFile image_{8 * 1024};
};

TEST_F(BatchTruthTest, ADeviceConnectingBackFromAnothersAddressTakesNoUploadButItsOwn) {
    START_DEVICES({kA, kB}, {std::string(kA) + ",connect-from=" + kB,
                             std::string(kB) + ",ignore-invitations=1"});
    int status = -1;
    const auto lines = Write({"--local-port", "40000", "--connect-timeout", "8", kA, kB}, status);
    ASSERT_THAT(lines, SizeIs(2));
    ExpectTruth(lines, kA, image_.bytes());
    ExpectTruth(lines, kB, image_.bytes());
    EXPECT_EQ(lines.at(kB).at("outcome").text, "ok");
    EXPECT_EQ(lines.at(kA).at("outcome").text, "network-error");
    EXPECT_EQ(status, 4);
}

TEST_F(BatchTruthTest, SixteenDevicesThroughOnePortAllStoreTheImage) {
    std::vector<std::string> addresses;
    for (int i = 10; i < 26; ++i) addresses.push_back("198.18.0." + std::to_string(i));
    START_DEVICES(addresses, addresses);
    std::vector<std::string> arguments = {"--local-port", "40000", "--jobs", "16"};
    arguments.insert(arguments.end(), addresses.begin(), addresses.end());
    int status = -1;
    const auto lines = Write(arguments, status);
    EXPECT_EQ(status, 0);
    ASSERT_THAT(lines, SizeIs(16));
    for (const std::string& device : addresses) {
        EXPECT_EQ(lines.at(device).at("outcome").text, "ok") << device;
        ExpectTruth(lines, device, image_.bytes());
    }
}

// The writer may hold few descriptors; a device opening hundreds of silent connections to the
// shared port must not take them from the other device.
TEST_F(BatchTruthTest, AFloodOfSilentConnectionsTakesNoDescriptorsFromAnotherDevice) {
    START_DEVICES({kA, kB}, {kA, std::string(kB) + ",flood-connections=400"});
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit few = saved;
    few.rlim_cur = 64;
    ::setrlimit(RLIMIT_NOFILE, &few);
    CliProcess cli(
        {"write", "--json", "--local-port", "40001", "--ack-timeout", "3", kA, kB, image_.path()});
    ::setrlimit(RLIMIT_NOFILE, &saved);
    int status = -1;
    const auto lines = Lines(cli.Wait(std::chrono::seconds(120)), status);
    ASSERT_THAT(lines, SizeIs(2));
    EXPECT_EQ(lines.at(kA).at("outcome").text, "ok") << lines.at(kA).at("cause").text;
    ExpectTruth(lines, kA, image_.bytes());
    ExpectTruth(lines, kB, image_.bytes());
}

TEST_F(BatchTruthTest, ADeviceThatNeverWentAwayIsNotVerified) {
    START_DEVICES({kA}, {kA});  // takes the image and never resets
    int status = -1;
    const auto lines = Write({"--verify", "--verify-timeout", "4", kA}, status);
    EXPECT_EQ(status, 5);
    ASSERT_THAT(lines, SizeIs(1));
    EXPECT_EQ(lines.at(kA).at("verified").text, "false");
    EXPECT_EQ(lines.at(kA).at("causeCode").text, "never-left");
    ExpectTruth(lines, kA, image_.bytes());
}

// The file is replaced while the first device takes it: that device keeps the image it was
// sent, the second is not given another one.
TEST_F(BatchTruthTest, AFileReplacedMidwayIsAFileErrorForTheDevicesNotYetWritten) {
    START_DEVICES({kA, kB}, {std::string(kA) + ",ack-delay-ms=50", kB});
    CliProcess cli({"write", "--json", "--jobs", "1", kA, kB, image_.path()});
    ASSERT_TRUE(sim().WaitForEvents(kA, "connected", 1, std::chrono::seconds(30)));
    const std::string replacement = image_.path() + ".new";
    std::ofstream(replacement, std::ios::binary) << std::string(image_.bytes().size(), 'x');
    std::filesystem::rename(replacement, image_.path());
    int status = -1;
    const auto lines = Lines(cli.Wait(std::chrono::seconds(120)), status);
    ASSERT_THAT(lines, SizeIs(2));
    ExpectTruth(lines, kA, image_.bytes());
    EXPECT_EQ(lines.at(kB).at("outcome").text, "file-error");
    EXPECT_FALSE(sim().StoredImage(kB).has_value());
    EXPECT_EQ(status, 2);
}

TEST_F(BatchTruthTest, AllWritesADeviceAnsweringThreeTimesOnce) {
    START_DEVICES({kA}, {std::string(kA) + ",replies=3"});
    int status = -1;
    const auto lines = Write({"--all"}, status);
    EXPECT_EQ(status, 0);
    ASSERT_THAT(lines, SizeIs(1));
    EXPECT_THAT(sim().Events(kA, "invitation"), SizeIs(1));
    ExpectTruth(lines, kA, image_.bytes());
}

}  // namespace
}  // namespace tavro::test
