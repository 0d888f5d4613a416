// What write --all claims against simulated devices in private namespaces: an address that two
// devices answer at is written at neither, and a network of 300 devices is written whole.
//
//   conflict:                                  crowd:
//   tool ns          bridge ns      dev ns A   tool ns                 device ns
//   tv0 198.18.0.1 --- br0 ---+--- 198.18.0.10 tv0 198.18.0.1/24 --- dv0 198.18.0.10-209/24
//                             +--- 198.18.0.10     198.18.1.0/24 on-link 198.18.1.10-109/24
//                                  dev ns B

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <set>

#include "cli_process.h"
#include "device_network_test.h"
#include "json_lines.h"
#include "upload_test.h"

namespace tavro::test {
namespace {

using ::testing::HasSubstr;
using ::testing::SizeIs;

constexpr const char* kShared = "198.18.0.10";
constexpr const char* kMacA = "02:00:5e:00:00:0a";
constexpr const char* kMacB = "02:00:5e:00:00:0b";

// Enough descriptors for hundreds of devices, in the simulator and the writer it starts.
void RaiseDescriptorLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

std::optional<std::vector<JsonObject>> RunWrite(const std::vector<std::string>& arguments,
                                                Ended& ended) {
    CliProcess cli(arguments);
    EXPECT_TRUE(cli.started());
    const std::optional<Ended> done = cli.Wait(std::chrono::seconds(180));
    EXPECT_TRUE(done) << "the write did not end";
    if (!done) return std::nullopt;
    ended = *done;
    return ReadJsonLines(ended.out);
}

// Two device namespaces bridged to the tool's network, each with a device at one address.
class AddressConflictTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        tool_ = NetworkNamespace::Create("tool", why);
        TAVRO_REQUIRE_NAMESPACES(tool_, why);
        bridge_ = NetworkNamespace::Create("br", why);
        deviceA_ = NetworkNamespace::Create("devA", why);
        deviceB_ = NetworkNamespace::Create("devB", why);
        TAVRO_REQUIRE_NAMESPACES(bridge_ && deviceA_ && deviceB_, why);
        ASSERT_EQ(bridge_->Run("ip link add br0 type bridge && ip link set br0 up"), 0);
        ASSERT_TRUE(Join(*tool_, "pt", "198.18.0.1"));
        ASSERT_TRUE(Join(*deviceA_, "pa", kShared));
        ASSERT_TRUE(Join(*deviceB_, "pb", kShared));
        // The limited broadcast needs a route; its gateway is an address nobody holds.
        ASSERT_EQ(tool_->Run("ip route add default via 198.18.0.254 dev tv0"), 0);
        ASSERT_TRUE(Ready()) << "the bridge did not forward";
        simA_ = SimulatedDevices::Start(*deviceA_,
                                        {std::string(kShared) + ",mac=02-00-5E-00-00-0A"}, why);
        ASSERT_TRUE(simA_) << why;
        simB_ = SimulatedDevices::Start(*deviceB_,
                                        {std::string(kShared) + ",mac=02-00-5E-00-00-0B"}, why);
        ASSERT_TRUE(simB_) << why;
        inTool_ = std::make_unique<EnterNamespace>(*tool_);
        ASSERT_TRUE(inTool_->ok());
    }

    // A veth from ns (tv0 / dv0 there) to a port of the bridge, the address on ns's end.
    bool Join(const NetworkNamespace& ns, const std::string& port, const std::string& address) {
        const std::string end = &ns == tool_.get() ? "tv0" : "dv0";
        return ns.Run("ip link add " + end + " type veth peer name " + port + " netns " +
                      bridge_->name() + " && ip addr add " + address + "/24 dev " + end +
                      " && ip link set " + end + " up") == 0 &&
               bridge_->Run("ip link set " + port + " master br0 && ip link set " + port + " up") ==
                   0;
    }

    // Every end is up and every port of the bridge forwards (polled, not slept).
    bool Ready() {
        const std::string up = "ip -o link show dv0 | grep -q LOWER_UP";
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (tool_->Run("ip -o link show tv0 | grep -q LOWER_UP") == 0 &&
                deviceA_->Run(up) == 0 && deviceB_->Run(up) == 0 &&
                bridge_->Run("test \"$(bridge link show | grep -c 'state forwarding')\" = 3") ==
                    0) {
                return true;
            }
            ::usleep(100 * 1000);
        }
        return false;
    }

    std::unique_ptr<NetworkNamespace> tool_, bridge_, deviceA_, deviceB_;
    std::unique_ptr<SimulatedDevices> simA_, simB_;
    std::unique_ptr<EnterNamespace> inTool_;
    FirmwareFile image_{4 * 1024};
};

TEST_F(AddressConflictTest, WriteAllWritesNeitherDeviceAndNamesBothHardwareAddresses) {
    Ended ended;
    const auto records = RunWrite({"write", "--all", "--json", image_.path()}, ended);
    ASSERT_TRUE(records.has_value()) << ended.out << ended.err;
    EXPECT_EQ(ended.status, 1) << ended.err;
    ASSERT_THAT(*records, SizeIs(1)) << ended.out << ended.err;
    const JsonObject& record = records->front();
    EXPECT_EQ(record.at("device").text, kShared);
    EXPECT_EQ(record.at("outcome").text, "address-conflict");
    EXPECT_EQ(record.at("causeCode").text, "address-conflict");
    EXPECT_EQ(record.at("status").text, "1");
    EXPECT_THAT(record.at("cause").text, HasSubstr(kMacA));
    EXPECT_THAT(record.at("cause").text, HasSubstr(kMacB));
    EXPECT_THAT(ended.err, HasSubstr(kMacA));
    EXPECT_THAT(ended.err, HasSubstr(kMacB));
    EXPECT_FALSE(simA_->StoredImage(kShared).has_value());
    EXPECT_FALSE(simB_->StoredImage(kShared).has_value());
    EXPECT_THAT(simA_->Events(kShared, "invitation"), SizeIs(0));
    EXPECT_THAT(simB_->Events(kShared, "invitation"), SizeIs(0));
}

class CrowdTest : public DeviceNetworkTest {};

TEST_F(CrowdTest, WriteAllWritesPastTwoHundredFiftySixDevicesEachRecordTrue) {
    std::vector<std::string> addresses = TestNetwork::DeviceAddresses(10, 200);
    for (int host = 10; host < 110; ++host) addresses.push_back("198.18.1." + std::to_string(host));
    ASSERT_THAT(addresses, SizeIs(300));
    RaiseDescriptorLimit();
    START_DEVICES(addresses, addresses);
    // The second /24 is on the tool's link, reached from its one address.
    ASSERT_EQ(network().tool().Run("ip route add 198.18.1.0/24 dev tv0"), 0);
    FirmwareFile image(2 * 1024);
    Ended ended;
    const auto records = RunWrite(
        {"write", "--all", "--json", "--interface", kToolAddress, "--jobs", "64", image.path()},
        ended);
    ASSERT_TRUE(records.has_value()) << ended.out << ended.err;
    EXPECT_EQ(ended.status, 0) << ended.err;
    // A machine under load may lose a few of 300 replies that come at once; the claim is that
    // the write is not cut at the device list's 256 rows and that each record tells the truth.
    EXPECT_GT(records->size(), 256u);
    std::set<std::string> ok;
    for (const JsonObject& record : *records) {
        if (record.at("outcome").text == "ok") {
            ok.insert(record.at("device").text);
        } else {
            ADD_FAILURE() << record.at("device").text << ": " << record.at("cause").text;
        }
    }
    EXPECT_EQ(ok.size(), records->size()) << "a device written twice, or one not written";
    for (const std::string& device : addresses) {
        const auto bytes = sim().StoredImage(device);
        EXPECT_EQ(bytes.has_value(), ok.contains(device)) << device;
        EXPECT_TRUE(!bytes || *bytes == image.bytes()) << device << " holds another image";
    }
}

}  // namespace
}  // namespace tavro::test
