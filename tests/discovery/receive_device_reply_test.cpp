#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "discovery/discover_devices.h"
#include "discovery/fill_device_row.h"
#include "net/byte_order.h"

namespace tavro::discovery {
namespace {

using namespace std::chrono_literals;

// A reply socket and a device socket, both on loopback, unicast only.
class ReplyPair : public ::testing::Test {
protected:
    void SetUp() override {
        receiver_ = Bound();
        device_ = Bound();
        ASSERT_EQ(receiver_.SetReceiveTimeout(2000ms), 0);
    }

    void Send(const std::string& datagram) {
        net::Endpoint to;
        ASSERT_EQ(receiver_.GetLocalEndpoint(to), 0);
        ASSERT_TRUE(device_.SendTo(datagram, to).ok());
    }

    std::uint16_t DevicePort() const {
        net::Endpoint local;
        EXPECT_EQ(device_.GetLocalEndpoint(local), 0);
        return local.port;
    }

    static net::Socket Bound() {
        int error = 0;
        net::Socket socket = net::Socket::Create(net::kDatagramSocket, error);
        EXPECT_EQ(socket.Bind(net::Endpoint{*net::Ipv4Address::Parse("127.0.0.1"), 0}), 0);
        return socket;
    }

    static std::string Reply(std::size_t size) {
        std::string reply(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            reply[i] = static_cast<char>(0xA0 + i);
        }
        return reply;
    }

    net::Socket receiver_;
    net::Socket device_;
};

TEST_F(ReplyPair, ThirtyByteReplyFillsTheRowAndClearsOldVersions) {
    DeviceRecord row;
    row.sketchVersion = 105;  // the previous occupant's
    row.textVersion = 3;
    Send(Reply(30));
    ASSERT_EQ(ReceiveDeviceReply(receiver_, row), 1);

    EXPECT_STREQ(row.addressText, "127.0.0.1");
    EXPECT_EQ(row.sender.address, net::kLoopbackAddress);
    EXPECT_EQ(row.sender.port, DevicePort());
    const std::array<std::uint8_t, 6> mac{0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD};
    EXPECT_EQ(row.macAddress, mac);
    EXPECT_EQ(row.reply5High, 0xA);  // 0xA5 >> 4
    EXPECT_EQ(row.reply6High, 0xA);
    EXPECT_EQ(row.reply8, 0xA8);
    EXPECT_EQ(row.reply9, 0xA9);
    EXPECT_EQ(row.sketchVersion, 0u);
    EXPECT_EQ(row.textVersion, 0u);
}

TEST_F(ReplyPair, LongerReplyIsDroppedAndTheRowUntouched) {
    DeviceRecord row;
    std::strcpy(row.addressText, "198.18.0.9");
    row.sketchVersion = 5;
    Send(Reply(31));
    Send(Reply(30));
    EXPECT_EQ(ReceiveDeviceReply(receiver_, row), 0);
    EXPECT_STREQ(row.addressText, "198.18.0.9");
    EXPECT_EQ(row.sketchVersion, 5u);
    EXPECT_EQ(row.macAddress, (std::array<std::uint8_t, 6>{}));
    // The long one is gone; the next receive takes the reply behind it.
    EXPECT_EQ(ReceiveDeviceReply(receiver_, row), 1);
    EXPECT_EQ(row.reply9, 0xA9);
}

TEST_F(ReplyPair, ShortReplyReadsZerosForItsMissingBytes) {
    DeviceRecord row;
    row.macAddress = {1, 2, 3, 4, 5, 6};
    row.reply9 = 0x55;
    Send(Reply(9));  // ends after byte 8
    ASSERT_EQ(ReceiveDeviceReply(receiver_, row), 1);
    EXPECT_EQ(row.reply5High, 0xA);
    EXPECT_EQ(row.reply8, 0xA8);
    EXPECT_EQ(row.reply9, 0);
    EXPECT_EQ(row.macAddress, (std::array<std::uint8_t, 6>{}));
    EXPECT_STREQ(row.addressText, "127.0.0.1");
}

TEST_F(ReplyPair, NothingToReceiveFailsAfterTheReceiveTimeout) {
    ASSERT_EQ(receiver_.SetReceiveTimeout(100ms), 0);
    DeviceRecord row;
    EXPECT_EQ(ReceiveDeviceReply(receiver_, row), 0);
    EXPECT_EQ(row.addressText[0], '\0');
}

TEST(FillDeviceRow, TakesItsFieldsFromTheReplyAndTheSenderWhateverTheLength) {
    std::string reply(30, '\0');
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<char>(0xA0 + i);
    const net::Endpoint sender{*net::Ipv4Address::Parse("198.18.0.123"), 30718};

    // Every length up to 30: the bytes a reply lacks read as zero.
    for (std::size_t length = 0; length <= 30; ++length) {
        DeviceRecord row;
        row.sketchVersion = 9;
        row.textVersion = 9;
        FillDeviceRow(std::string_view(reply).substr(0, length), sender, row);
        const auto expected = [&](std::size_t offset) -> std::uint8_t {
            return offset < length ? static_cast<std::uint8_t>(0xA0 + offset) : 0;
        };
        EXPECT_STREQ(row.addressText, "198.18.0.123");
        EXPECT_EQ(row.sender.address, sender.address);
        EXPECT_EQ(row.sender.port, 30718);
        EXPECT_EQ(row.reply5High, expected(5) >> 4) << length;
        EXPECT_EQ(row.reply6High, expected(6) >> 4) << length;
        EXPECT_EQ(row.reply8, expected(8)) << length;
        EXPECT_EQ(row.reply9, expected(9)) << length;
        for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(row.macAddress[i], expected(24 + i));
        EXPECT_EQ(row.sketchVersion, 0u);
        EXPECT_EQ(row.textVersion, 0u);
    }

    // A longer area is read only as far as a reply goes; the longest address fits its text.
    DeviceRecord row;
    FillDeviceRow(reply + "extra", net::Endpoint{net::kBroadcastAddress, 1}, row);
    EXPECT_STREQ(row.addressText, "255.255.255.255");
    EXPECT_EQ(row.macAddress[5], 0xBD);
}

}  // namespace
}  // namespace tavro::discovery
