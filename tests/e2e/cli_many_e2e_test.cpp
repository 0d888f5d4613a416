// The real tavro-writer-cli writing to several simulated devices at once, waiting for them to
// come back from their reset, and searching on two interfaces, in private test networks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "cli_process.h"
#include "device_network_test.h"
#include "json_lines.h"
#include "upload_test.h"

namespace tavro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::Not;

constexpr const char* kA = "198.18.0.10";
constexpr const char* kB = "198.18.0.11";
constexpr const char* kC = "198.18.0.12";
// Enough blocks that the uploads overlap.
constexpr std::size_t kImageLength = 40 * 1024 + 300;

class CliManyTest : public DeviceNetworkTest {
protected:
    std::optional<Ended> Cli(std::vector<std::string> arguments,
                             std::chrono::seconds limit = std::chrono::seconds(60)) {
        CliProcess cli(arguments);
        EXPECT_TRUE(cli.started());
        if (!cli.started()) return std::nullopt;
        return cli.Wait(limit);
    }

    void ExpectStored(const std::string& device) {
        EXPECT_THAT(
            sim().Events(device, "image-ok"),
            ElementsAre(std::to_string(image_.bytes().size()) + " " + Md5Hex(image_.bytes())))
            << device;
        const auto stored = sim().StoredImage(device);
        ASSERT_TRUE(stored.has_value()) << device << " stored no image";
        EXPECT_TRUE(*stored == image_.bytes()) << device << ": the stored image differs";
    }

    FirmwareFile image_{kImageLength};
};

TEST_F(CliManyTest, OneDeviceFailsTheOthersStoreTheImageAndTheExitIsTheFailures) {
    // Each transfer lasts at least 41 x 20 ms, long enough for the others to start beside it.
    START_DEVICES({kA, kB, kC}, {std::string(kA) + ",ack-delay-ms=20",
                                 std::string(kB) + ",password=OTHER,ack-delay-ms=20",
                                 std::string(kC) + ",ack-delay-ms=20"});
    const auto ended = Cli({"write", "--interface", "tv0", kA, kB, kC, image_.path()});
    ASSERT_TRUE(ended) << "the write did not end";
    EXPECT_EQ(ended->status, 1) << ended->err;
    EXPECT_THAT(ended->out,
                MatchesRegex("198\\.18\\.0\\.10 +[0-9.]+ s  Completed normally\n"
                             "198\\.18\\.0\\.11 +[0-9.]+ s  TAVRO communication error\n"
                             "    198\\.18\\.0\\.11 refused the password \\(its verdict: .*\\)\n"
                             "198\\.18\\.0\\.12 +[0-9.]+ s  Completed normally\n"));
    ExpectStored(kA);
    ExpectStored(kC);
    EXPECT_THAT(sim().Events(kB, "auth-answer"), ElementsAre(HasSubstr(" mismatch")));
    EXPECT_FALSE(sim().StoredImage(kB).has_value());
    // Both transfers ran at once: each device had its first block before the other's last.
    const std::vector<SimEvent> events = sim().Events();
    auto first = [&](const std::string& device, const std::string& kind) {
        for (std::size_t i = 0; i < events.size(); ++i)
            if (events[i].device == device && events[i].kind == kind) return i;
        return events.size();
    };
    EXPECT_LT(first(kA, "block"), first(kC, "image-ok"));
    EXPECT_LT(first(kC, "block"), first(kA, "image-ok"));
}

// The log for support: every line behind its time and its device, both devices' traces in it,
// and never the password.
TEST_F(CliManyTest, TheLogHoldsEachDevicesTraceLineByLineWithoutThePassword) {
    START_DEVICES({kA, kB}, {std::string(kA) + ",password=S3CRET-PASS,ack-delay-ms=10",
                             std::string(kB) + ",password=S3CRET-PASS,ack-delay-ms=10"});
    const std::string log = image_.path() + ".log";
    const auto ended =
        Cli({"write", "--password", "S3CRET-PASS", "--log", log, kA, kB, image_.path()});
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->status, 0) << ended->err;
    std::ifstream file(log);
    std::map<std::string, int> lines;
    std::string header;
    std::getline(file, header);
    EXPECT_THAT(header, HasSubstr("Z tavro-writer-cli 1.0.0.0: write --password *** --log "));
    for (std::string line; std::getline(file, line);) {
        EXPECT_THAT(line, MatchesRegex("20[0-9][0-9]-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:"
                                       "[0-6][0-9]\\.[0-9][0-9][0-9]Z 198\\.18\\.0\\.1[01]: .*"));
        EXPECT_EQ(line.find("S3CRET"), std::string::npos) << line;
        ++lines[line.substr(25, 11)];
    }
    std::remove(log.c_str());
    EXPECT_GT(lines[kA], 10);
    EXPECT_GT(lines[kB], 10);
}

TEST_F(CliManyTest, DevicesWrittenAtOnceShareOneFixedPortAndJsonTellsTheRealCause) {
    START_DEVICES({kA, kB, kC},
                  {std::string(kA) + ",ack-delay-ms=20", std::string(kB) + ",ack-delay-ms=20",
                   std::string(kC) + ",password=OTHER"});
    const auto ended = Cli({"write", "--json", "--local-port", "40127", "--interface", kToolAddress,
                            kA, kB, kC, image_.path()});
    ASSERT_TRUE(ended) << "the write did not end";
    EXPECT_EQ(ended->status, 1) << ended->err;
    ExpectStored(kA);
    ExpectStored(kB);
    EXPECT_EQ(sim().StoredImage(kA), sim().StoredImage(kB));
    EXPECT_FALSE(sim().StoredImage(kC).has_value());
    const auto objects = ReadJsonLines(ended->out);
    ASSERT_TRUE(objects.has_value()) << ended->out;
    ASSERT_EQ(objects->size(), 3u) << ended->out;
    for (const JsonObject& object : *objects) {
        const std::string device = object.at("device").text;
        EXPECT_EQ(object.at("localPort").text, "40127") << device;
        if (device == kC) {
            EXPECT_EQ(object.at("outcome").text, "refused");
            EXPECT_EQ(object.at("cause").text,
                      "198.18.0.12 refused the password (its verdict: \"FAIL\")");
            continue;
        }
        EXPECT_EQ(object.at("outcome").text, "ok") << device;
        EXPECT_EQ(object.at("cause").text, "") << device;
        EXPECT_EQ(object.at("bytesSent").text, std::to_string(kImageLength)) << device;
        // The invitation named the one port, and the device connected to it.
        EXPECT_THAT(sim().Events(device, "connected"), ElementsAre(HasSubstr(":40127 from")))
            << device;
    }
}

TEST_F(CliManyTest, AllWritesEveryListedDeviceAndJsonTellsEach) {
    START_DEVICES({kA, kB, kC}, {kA, std::string(kB) + ",close-after=2048", kC});
    const auto ended =
        Cli({"write", "--all", "--json", "--interface", kToolAddress, image_.path()});
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->status, 4) << ended->err;
    const auto objects = ReadJsonLines(ended->out);
    ASSERT_TRUE(objects.has_value()) << ended->out;
    ASSERT_EQ(objects->size(), 3u) << ended->out;
    for (const JsonObject& object : *objects) {
        const std::string device = object.at("device").text;
        const bool broken = device == kB;
        EXPECT_EQ(object.at("outcome").text, broken ? "network-error" : "ok") << device;
        // The device cut the connection after its second block, before acknowledging it.
        EXPECT_EQ(object.at("bytesSent").text, broken ? "1024" : std::to_string(kImageLength))
            << device;
        EXPECT_NE(object.at("localPort").text, "0") << device;
        // The port the device was told is the one the report names.
        EXPECT_THAT(sim().Events(device, "connected"),
                    ElementsAre(HasSubstr(":" + object.at("localPort").text + " from")))
            << device;
    }
    ExpectStored(kA);
    ExpectStored(kC);
}

TEST_F(CliManyTest, VerifyWaitsForTheDeviceToComeBackWithItsNewVersion) {
    START_DEVICES({kA}, {std::string(kA) + ",reset-ms=2500,sketch-after=120"});
    const auto ended = Cli({"write", "--verify", "--verify-timeout", "20", kA, image_.path()});
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->status, 0) << ended->err;
    EXPECT_EQ(ended->out, "Completed normally\n198.18.0.10 came back with version 1.20\n");
    ExpectStored(kA);
    EXPECT_THAT(sim().Events(kA, "reset"), ElementsAre("2500"));
    EXPECT_THAT(sim().Events(kA, "probe-unanswered-away"), Not(IsEmpty()))
        << "no search came while the device was away";
}

TEST_F(CliManyTest, ADeviceThatNeverComesBackEndsWithFive) {
    // B stays away across two searches, so that its return with the same version is seen.
    START_DEVICES({kA, kB}, {std::string(kA) + ",never-back", std::string(kB) + ",reset-ms=4500"});
    const auto start = std::chrono::steady_clock::now();
    const auto ended =
        Cli({"write", "--verify", "--verify-timeout", "10", "--json", kA, kB, image_.path()});
    ASSERT_TRUE(ended);
    EXPECT_LT(SecondsSince(start), 10 + 14) << "the wait outlasted its bound and a search";
    EXPECT_EQ(ended->status, 5) << ended->err;
    const auto objects = ReadJsonLines(ended->out);
    ASSERT_TRUE(objects.has_value()) << ended->out;
    ASSERT_EQ(objects->size(), 2u);
    for (const JsonObject& object : *objects) {
        const bool gone = object.at("device").text == kA;
        EXPECT_EQ(object.at("outcome").text, gone ? "not-back" : "ok");
        EXPECT_EQ(object.at("verified").text, gone ? "false" : "true");
        EXPECT_EQ(object.at("version").text, gone ? "" : "1.05");
        EXPECT_EQ(object.at("status").text, gone ? "5" : "0");
    }
    ExpectStored(kA);
}

// Two links from the tool, each to its own device namespace, both within the test range:
//
//   tool namespace                           device namespaces
//   tv0 198.18.0.1/25    <--- veth --->     dv0 198.18.0.10/25        (devices A)
//   tv1 198.18.0.129/25  <--- veth --->     dv1 198.18.0.140/25       (devices B)
class TwoInterfacesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        tool_ = NetworkNamespace::Create("tool", why);
        if (tool_) sideA_ = NetworkNamespace::Create("deva", why);
        if (sideA_) sideB_ = NetworkNamespace::Create("devb", why);
        if (sideB_ && !(Link("tv0", "dv0", *sideA_, "198.18.0.1", "198.18.0.10") &&
                        Link("tv1", "dv1", *sideB_, "198.18.0.129", "198.18.0.140"))) {
            why = "cannot build the two links";
            sideB_.reset();
        }
        TAVRO_REQUIRE_NAMESPACES(sideB_, why);
        simA_ = SimulatedDevices::Start(*sideA_, {"198.18.0.10"}, why);
        ASSERT_TRUE(simA_) << why;
        simB_ = SimulatedDevices::Start(*sideB_, {"198.18.0.140,sketch=120"}, why);
        ASSERT_TRUE(simB_) << why;
        inTool_ = std::make_unique<EnterNamespace>(*tool_);
        ASSERT_TRUE(inTool_->ok());
    }

    bool Link(const std::string& toolSide, const std::string& deviceSide,
              const NetworkNamespace& devices, const std::string& toolAddress,
              const std::string& deviceAddress) {
        const std::string tool = tool_->name();
        const std::string command =
            "ip -n " + tool + " link add " + toolSide + " type veth peer name " + deviceSide +
            " netns " + devices.name() + " && ip -n " + tool + " addr add " + toolAddress +
            "/25 dev " + toolSide + " && ip -n " + tool + " link set " + toolSide +
            " up && ip -n " + devices.name() + " addr add " + deviceAddress + "/25 dev " +
            deviceSide + " && ip -n " + devices.name() + " link set " + deviceSide +
            " up && for i in $(seq 50); do ip -n " + tool + " -o link show " + toolSide +
            " | grep -q LOWER_UP && exit 0; sleep 0.1; done; exit 1";
        return std::system(("sh -c '" + command + "' >/dev/null 2>&1").c_str()) == 0;
    }

    std::unique_ptr<NetworkNamespace> tool_;
    std::unique_ptr<NetworkNamespace> sideA_;
    std::unique_ptr<NetworkNamespace> sideB_;
    std::unique_ptr<SimulatedDevices> simA_;
    std::unique_ptr<SimulatedDevices> simB_;
    std::unique_ptr<EnterNamespace> inTool_;
};

TEST_F(TwoInterfacesTest, SearchOnAllInterfacesFindsEachDeviceOnItsOwn) {
    CliProcess cli({"search", "--all-interfaces"});
    ASSERT_TRUE(cli.started());
    const auto ended = cli.Wait(std::chrono::seconds(30));
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->status, 0) << ended->err;
    EXPECT_EQ(ended->out,
              "198.18.0.10 / 02-00-5E-12-00-0A / ver. 1.05  via tv0 (198.18.0.1)\n"
              "198.18.0.140 / 02-00-5E-12-00-8C / ver. 1.20  via tv1 (198.18.0.129)\n");
    // Each probe left by its own interface only.
    EXPECT_THAT(simA_->Events("*", "probe"), ElementsAre(HasSubstr("198.18.0.1:")));
    EXPECT_THAT(simB_->Events("*", "probe"), ElementsAre(HasSubstr("198.18.0.129:")));

    CliProcess json({"search", "--all-interfaces", "--json"});
    const auto listed = json.Wait(std::chrono::seconds(30));
    ASSERT_TRUE(listed);
    const auto devices = ReadJsonArray(listed->out);
    ASSERT_TRUE(devices.has_value()) << listed->out;
    ASSERT_EQ(devices->size(), 2u);
    EXPECT_EQ((*devices)[0].at("ifname").text, "tv0");
    EXPECT_EQ((*devices)[1].at("ifname").text, "tv1");
    EXPECT_EQ((*devices)[1].at("mac").text, "02:00:5e:12:00:8c");

    CliProcess byName({"search", "--interface", "tv1"});
    const auto one = byName.Wait(std::chrono::seconds(30));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->out, "198.18.0.140 / 02-00-5E-12-00-8C / ver. 1.20\n");
}

}  // namespace
}  // namespace tavro::test
