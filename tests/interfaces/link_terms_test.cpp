#include <gtest/gtest.h>
#include <linux/ethtool.h>
#include <linux/if.h>

#include <vector>

#include "interfaces/link_terms_linux.h"

namespace tavro::interfaces {
namespace {

TEST(OperStatusOf, MapsKernelStatesOntoTheSelectionNumbering) {
    EXPECT_EQ(OperStatusOf(IF_OPER_UP, 0), 5u);
    EXPECT_EQ(OperStatusOf(IF_OPER_DORMANT, IFF_UP), 3u);
    EXPECT_EQ(OperStatusOf(IF_OPER_TESTING, IFF_UP), 3u);
    EXPECT_EQ(OperStatusOf(IF_OPER_DOWN, IFF_UP), 2u);
    EXPECT_EQ(OperStatusOf(IF_OPER_LOWERLAYERDOWN, IFF_UP), 2u);
    EXPECT_EQ(OperStatusOf(IF_OPER_NOTPRESENT, IFF_UP | IFF_RUNNING), 0u);
}

TEST(OperStatusOf, UnknownStateCountsAsOperationalOnlyWhileTheLinkRuns) {
    EXPECT_EQ(OperStatusOf(IF_OPER_UNKNOWN, IFF_UP | IFF_RUNNING), 5u);
    EXPECT_EQ(OperStatusOf(IF_OPER_UNKNOWN, IFF_UP | IFF_LOWER_UP), 5u);
    EXPECT_EQ(OperStatusOf(IF_OPER_UNKNOWN, IFF_UP), 2u);
    EXPECT_EQ(OperStatusOf(std::nullopt, IFF_UP | IFF_RUNNING), 5u);
    EXPECT_EQ(OperStatusOf(std::nullopt, 0), 2u);
}

TEST(HardwareAddressLengthOf, AllZeroOrMissingAddressHasNoLength) {
    const std::vector<unsigned char> ethernet{0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    const std::vector<unsigned char> zeros(6, 0);
    EXPECT_EQ(HardwareAddressLengthOf(ethernet), 6u);
    EXPECT_EQ(HardwareAddressLengthOf(zeros), 0u);
    EXPECT_EQ(HardwareAddressLengthOf({}), 0u);
}

TEST(SpeedOf, ConvertsMegabitsAndClampsUnknownAndHugeSpeeds) {
    EXPECT_EQ(SpeedOf(1000), 1'000'000'000u);
    EXPECT_EQ(SpeedOf(100), 100'000'000u);
    EXPECT_EQ(SpeedOf(4294), 4'294'000'000u);
    EXPECT_EQ(SpeedOf(4295), 0xFFFFFFFFu);
    EXPECT_EQ(SpeedOf(10000), 0xFFFFFFFFu);
    EXPECT_EQ(SpeedOf(static_cast<std::uint32_t>(SPEED_UNKNOWN)), 0u);
    EXPECT_EQ(SpeedOf(std::nullopt), 0u);
    EXPECT_EQ(SpeedOf(0), 0u);
}

}  // namespace
}  // namespace tavro::interfaces
