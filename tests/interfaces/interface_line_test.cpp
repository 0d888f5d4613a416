#include "interfaces/interface_line.h"

#include <gtest/gtest.h>

#include <cstring>

#include "net/socket.h"

namespace tavro::interfaces {
namespace {

LocalInterface Record(const char* address, const char* friendlyName) {
    LocalInterface record;
    record.address = *net::Ipv4Address::Parse(address);
    std::strcpy(record.friendlyName, friendlyName);
    return record;
}

TEST(InterfaceLine, ShowsTheAddressAndTheFriendlyNameInParentheses) {
    EXPECT_EQ(InterfaceLine(Record("198.18.0.1", "tv0")), "198.18.0.1 (tv0)");
    EXPECT_EQ(InterfaceLine(Record("192.168.0.10", "Wi-Fi")), "192.168.0.10 (Wi-Fi)");
    EXPECT_EQ(InterfaceLine(Record("10.0.0.255", "イーサネット")), "10.0.0.255 (イーサネット)");
}

TEST(InterfaceLine, EmptyFriendlyNameLeavesEmptyParentheses) {
    EXPECT_EQ(InterfaceLine(Record("198.18.0.1", "")), "198.18.0.1 ()");
}

TEST(InterfaceLine, UnterminatedNameFieldIsNotReadPastItsEnd) {
    LocalInterface record = Record("198.18.0.1", "");
    std::memset(record.friendlyName, 'n', sizeof record.friendlyName);
    record.address =
        *net::Ipv4Address::Parse("198.18.0.2");  // the field after the name must not leak in
    EXPECT_EQ(InterfaceLine(record), "198.18.0.2 (" + std::string(256, 'n') + ")");
}

}  // namespace
}  // namespace tavro::interfaces
