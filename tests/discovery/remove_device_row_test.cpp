#include "discovery/remove_device_row.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tavro::discovery
