#include "discovery/device_line.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavro::discovery {
namespace {

DeviceRecord Row(const char* address, std::array<std::uint8_t, 6> mac, std::uint32_t sketch) {
    DeviceRecord row;
    std::strcpy(row.addressText, address);
    row.macAddress = mac;
    row.sketchVersion = sketch;
    return row;
}

TEST(DeviceLine, ShowsAddressHardwareAddressAndVersion) {
    EXPECT_EQ(DeviceLine(Row("192.168.1.20", {0x02, 0x00, 0x5E, 0x0A, 0x0B, 0x0C}, 105)),
              "192.168.1.20 / 02-00-5E-0A-0B-0C / ver. 1.05");
    EXPECT_EQ(DeviceLine(Row("255.255.255.255", {0xFF, 0xFE, 0xab, 0, 1, 0x10}, 12345)),
              "255.255.255.255 / FF-FE-AB-00-01-10 / ver. 123.45");
}

TEST(DeviceLine, VersionsUpTo90AndNegativeOnesShowAsOne) {
    const struct {
        std::uint32_t sketch;
        const char* shown;
    } cases[] = {
        {90, "ver. 1.00"},          {91, "ver. 0.91"},      {0, "ver. 1.00"},
        {100, "ver. 1.00"},         {123, "ver. 1.23"},     {4294967295u, "ver. 1.00"},
        {2147483648u, "ver. 1.00"}, {12345, "ver. 123.45"}, {89, "ver. 1.00"},
    };
    for (const auto& c : cases) {
        const std::string line = DeviceLine(Row("10.0.0.1", {}, c.sketch));
        EXPECT_EQ(line, std::string("10.0.0.1 / 00-00-00-00-00-00 / ") + c.shown) << c.sketch;
    }
    EXPECT_EQ(ShownVersion(90), 1.0f);
    EXPECT_FLOAT_EQ(ShownVersion(91), 0.91f);
}

}  // namespace
}  // namespace tavro::discovery
