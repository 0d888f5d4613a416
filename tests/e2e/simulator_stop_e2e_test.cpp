// tavro-sim ends at once when told to, whatever its devices are in the middle of: a test or a
// demo that stops it must never wait out a fault's 30 s limit, nor leave a process behind.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <thread>

#include "net/socket.h"
#include "upload_test.h"

namespace tavro::test {
namespace {

using Clock = std::chrono::steady_clock;

// A connection from the tool to a device's version port, with the request sent and the
// answer left unread.
net::Socket AskForVersion(const char* device) {
    int error = 0;
    net::Socket socket = net::Socket::Create(SOCK_STREAM, error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(socket.Connect(net::Endpoint{*net::Ipv4Address::Parse(device), 9998},
                             std::chrono::seconds(2)),
              0);
    EXPECT_TRUE(socket.SendAll(std::string_view("VER\n\0", 5)).ok());
    return socket;
}

TEST_F(UploadTest, SimulatorStopsAtOnceWhileItsFaultsHoldConnectionsAndFloods) {
    START_DEVICES({kDevice, "198.18.0.11", "198.18.0.12"},
                  {std::string(kDevice) + ",ack-in-advance",
                   "198.18.0.11,version=silent,flood-rate=200,flood-seconds=30",
                   "198.18.0.12,version-trickle-ms=5000"});
    const auto settle = std::chrono::seconds(5);

    // A flood, towards a socket that never reads it.
    int error = 0;
    net::Socket prober = net::Socket::Create(SOCK_DGRAM, error);
    ASSERT_EQ(prober.Bind(net::Endpoint{*net::Ipv4Address::Parse(kToolAddress), 0}), 0);
    prober.SendTo(std::string_view("TV"),
                  net::Endpoint{*net::Ipv4Address::Parse("198.18.0.11"), 30718});
    // A silent version server and a trickling one, each holding a query.
    net::Socket silent = AskForVersion("198.18.0.11");
    net::Socket trickle = AskForVersion("198.18.0.12");
    // A device that stopped reading, holding an upload whose sends wait for room.
    FirmwareFile file(8 * 1024 * 1024);
    upload::UploadResult result = upload::kUploadSucceeded;
    std::thread upload([&] {
        EnterNamespace inTool(network().tool());
        ASSERT_TRUE(inTool.ok());
        result = Upload(file.path());
    });
    EXPECT_TRUE(sim().WaitForEvent("198.18.0.11", "flood-started", settle));
    EXPECT_TRUE(sim().WaitForEvent("198.18.0.11", "version-silent", settle));
    EXPECT_TRUE(sim().WaitForEvent("198.18.0.12", "version-request", settle));
    EXPECT_TRUE(sim().WaitForEvent(kDevice, "acks-in-advance", settle));

    const auto start = Clock::now();
    EXPECT_TRUE(sim().Stop(std::chrono::seconds(2))) << "tavro-sim did not end by itself";
    EXPECT_LT(SecondsSince(start), 2.0);
    upload.join();
    // The writer saw its device go and did not read that as success.
    EXPECT_NE(result, upload::kUploadSucceeded);
}

}  // namespace
}  // namespace tavro::test
