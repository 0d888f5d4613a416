#include <gtest/gtest.h>

#include "net/byte_order.h"
#include "net/socket.h"

namespace tavro::net {
namespace {

std::uint32_t Net(std::uint32_t host) { return HostToNetwork32(host); }

TEST(ParseIPv4, ReadsTheFormsOfDottedText) {
    EXPECT_EQ(ParseIPv4("192.168.1.20"), Net(0xC0A80114));
    EXPECT_EQ(ParseIPv4("255.255.255.255"), Net(0xFFFFFFFF));
    EXPECT_EQ(ParseIPv4("0.0.0.0"), Net(0));
    // Short forms: the last part fills the remaining bytes.
    EXPECT_EQ(ParseIPv4("127.1"), Net(0x7F000001));
    EXPECT_EQ(ParseIPv4("10.1.258"), Net(0x0A010102));
    EXPECT_EQ(ParseIPv4("3232235796"), Net(0xC0A80114));
    // Octal and hexadecimal parts.
    EXPECT_EQ(ParseIPv4("0x7f.0.0.010"), Net(0x7F000008));
}

TEST(ParseIPv4, RejectsTextThatIsNoAddress) {
    for (const char* text :
         {"", "1.2.3.256", "1.2.3.4.5", "1..2.3", "1.2.3.", ".1.2.3", "a.b.c.d", " 1.2.3.4",
          "1.2.3.4x", "08.1.1.1", "0x", "4294967296", "1.16777216", "1.2.65536", "-1.2.3.4"}) {
        EXPECT_FALSE(ParseIPv4(text).has_value()) << '"' << text << '"';
    }
}

TEST(FormatIPv4, WritesDottedQuadsAndRoundTrips) {
    EXPECT_EQ(FormatIPv4(Net(0xC0A80114)), "192.168.1.20");
    EXPECT_EQ(FormatIPv4(Net(0)), "0.0.0.0");
    EXPECT_EQ(FormatIPv4(Net(0xFFFFFFFF)), "255.255.255.255");
    EXPECT_EQ(ParseIPv4(FormatIPv4(Net(0xC6120007))), Net(0xC6120007));
}

}  // namespace
}  // namespace tavro::net
