#include "discovery/device_table.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavro::discovery {
namespace {

DeviceTable Numbered() {
    DeviceTable table;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        table.rows[i].sketchVersion = static_cast<std::uint32_t>(i + 1000);
    }
    table.deviceCount = 3;
    return table;
}

TEST(RemoveDeviceRow, RowsAboveMoveDownAndTheLastStays) {
    DeviceTable table = Numbered();
    RemoveDeviceRow(table, 0);
    EXPECT_EQ(table.rows[0].sketchVersion, 1001u);
    EXPECT_EQ(table.rows[1].sketchVersion, 1002u);
    EXPECT_EQ(table.rows[254].sketchVersion, 1255u);
    EXPECT_EQ(table.rows[255].sketchVersion, 1255u);
    EXPECT_EQ(table.deviceCount, 3);

    RemoveDeviceRow(table, 255);  // nothing above the last row
    EXPECT_EQ(table.rows[255].sketchVersion, 1255u);
    RemoveDeviceRow(table, 1);
    EXPECT_EQ(table.rows[0].sketchVersion, 1001u);
    EXPECT_EQ(table.rows[1].sketchVersion, 1003u);
}

TEST(RemoveDeviceRow, IndexOutsideTheTableChangesNothing) {
    DeviceTable table = Numbered();
    for (int index : {-1, 256, 100000}) {
        RemoveDeviceRow(table, index);
    }
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        EXPECT_EQ(table.rows[i].sketchVersion, i + 1000);
    }
}

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
