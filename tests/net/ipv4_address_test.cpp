#include "net/ipv4_address.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace tavro::net {
namespace {

Ipv4Address Host(std::uint32_t value) { return Ipv4Address::FromHostOrder(value); }

// The bytes of network-order bits as they lie in memory, as a socket address holds them.
std::array<std::uint8_t, 4> InMemory(std::uint32_t bits) {
    std::array<std::uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &bits, bytes.size());
    return bytes;
}

std::uint32_t FromMemory(std::array<std::uint8_t, 4> bytes) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, bytes.data(), bytes.size());
    return bits;
}

TEST(Ipv4Address, ItsBuildersAndViewsAgree) {
    const Ipv4Address address = Ipv4Address::FromOctets(192, 168, 1, 20);
    EXPECT_EQ(address.hostOrder(), 0xC0A80114u);
    EXPECT_EQ(InMemory(address.networkOrder()), (std::array<std::uint8_t, 4>{192, 168, 1, 20}));
    EXPECT_EQ(Ipv4Address::FromNetworkOrder(FromMemory({192, 168, 1, 20})), address);
    EXPECT_EQ(address.octets(), (std::array<std::uint8_t, 4>{192, 168, 1, 20}));
    EXPECT_EQ(InMemory(kLoopbackAddress.networkOrder()),
              (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
    EXPECT_EQ(kAnyAddress.networkOrder(), 0u);
    EXPECT_EQ(kBroadcastAddress.networkOrder(), 0xFFFFFFFFu);
    EXPECT_EQ(Ipv4Address(), kAnyAddress);
}

TEST(Ipv4Address, ComparesAsItsDottedQuadReads) {
    EXPECT_LT(Ipv4Address::FromOctets(9, 255, 255, 255), Ipv4Address::FromOctets(10, 0, 0, 0));
    EXPECT_LT(Ipv4Address::FromOctets(10, 0, 0, 1), Ipv4Address::FromOctets(10, 0, 1, 0));
    EXPECT_NE(Ipv4Address::FromOctets(1, 2, 3, 4), Ipv4Address::FromOctets(4, 3, 2, 1));
    EXPECT_TRUE(Ipv4Address::FromOctets(224, 0, 0, 1).IsMulticast());
    EXPECT_TRUE(Ipv4Address::FromOctets(239, 255, 255, 255).IsMulticast());
    EXPECT_FALSE(Ipv4Address::FromOctets(223, 255, 255, 255).IsMulticast());
    EXPECT_FALSE(kBroadcastAddress.IsMulticast());
}

TEST(Ipv4AddressParse, ReadsTheFormsOfDottedText) {
    EXPECT_EQ(Ipv4Address::Parse("192.168.1.20"), Host(0xC0A80114));
    EXPECT_EQ(Ipv4Address::Parse("255.255.255.255"), kBroadcastAddress);
    EXPECT_EQ(Ipv4Address::Parse("0.0.0.0"), kAnyAddress);
    // Short forms: the last part fills the remaining bytes.
    EXPECT_EQ(Ipv4Address::Parse("127.1"), kLoopbackAddress);
    EXPECT_EQ(Ipv4Address::Parse("10.1.258"), Host(0x0A010102));
    EXPECT_EQ(Ipv4Address::Parse("3232235796"), Host(0xC0A80114));
    // Octal and hexadecimal parts.
    EXPECT_EQ(Ipv4Address::Parse("0x7f.0.0.010"), Host(0x7F000008));
}

TEST(Ipv4AddressParse, RejectsTextThatIsNoAddress) {
    for (const char* text :
         {"", "1.2.3.256", "1.2.3.4.5", "1..2.3", "1.2.3.", ".1.2.3", "a.b.c.d", " 1.2.3.4",
          "1.2.3.4x", "08.1.1.1", "0x", "4294967296", "1.16777216", "1.2.65536", "-1.2.3.4"}) {
        EXPECT_FALSE(Ipv4Address::Parse(text).has_value()) << '"' << text << '"';
    }
}

TEST(Ipv4AddressParseDottedQuad, TakesOnlyFourPlainDecimalNumbers) {
    EXPECT_EQ(Ipv4Address::ParseDottedQuad("198.18.0.20"), Ipv4Address::FromOctets(198, 18, 0, 20));
    EXPECT_EQ(Ipv4Address::ParseDottedQuad("0.0.0.0"), kAnyAddress);
    EXPECT_EQ(Ipv4Address::ParseDottedQuad("255.255.255.255"), kBroadcastAddress);
    for (const char* text :
         {"", "127.1", "3232235796", "0x7f.0.0.1", "010.0.0.1", "1.2.3.04", "00.1.2.3", "1.2.3.256",
          "1.2.3.1000", "1.2.3.4.5", "1..2.3", "1.2.3.", ".1.2.3", " 1.2.3.4", "1.2.3.4 ",
          "+1.2.3.4", "-1.2.3.4", "1.2.3.4x", "a.b.c.d"}) {
        EXPECT_FALSE(Ipv4Address::ParseDottedQuad(text).has_value()) << '"' << text << '"';
    }
}

TEST(Ipv4AddressToString, WritesDottedQuadsThatReadBack) {
    EXPECT_EQ(Host(0xC0A80114).ToString(), "192.168.1.20");
    EXPECT_EQ(kAnyAddress.ToString(), "0.0.0.0");
    EXPECT_EQ(kBroadcastAddress.ToString(), "255.255.255.255");
    const Ipv4Address address = Host(0xC6120007);
    EXPECT_EQ(Ipv4Address::Parse(address.ToString()), address);
    EXPECT_EQ(Ipv4Address::ParseDottedQuad(address.ToString()), address);
    std::ostringstream out;
    out << address;
    EXPECT_EQ(out.str(), "198.18.0.7");
}

}  // namespace
}  // namespace tavro::net
