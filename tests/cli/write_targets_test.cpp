// What a write takes from its search: which addresses it writes, in which order, and what it
// knows of each (the hardware address that answered, or every one of several).

#include "cli/write_targets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "made_up_network.h"

namespace tavro::cli {
namespace {

using ::testing::ElementsAre;

discovery::Sighting Reply(const char* address, std::uint8_t lastMacByte,
                          std::optional<std::uint32_t> strictVersion = 105) {
    discovery::Sighting sighting{
        .row = test::MadeUpDevice(address, lastMacByte, 105), .version = {}, .listed = true};
    sighting.version.fate =
        strictVersion ? discovery::VersionFate::Answered : discovery::VersionFate::Unreadable;
    sighting.version.strictVersion = strictVersion;
    return sighting;
}

batch::Mac Mac(std::uint8_t lastByte) { return {0x02, 0x00, 0x5E, 0x0A, 0x0B, lastByte}; }

std::vector<std::string> Addresses(const std::vector<batch::WriteTarget>& targets) {
    std::vector<std::string> addresses;
    for (const batch::WriteTarget& target : targets) addresses.push_back(target.address.ToString());
    return addresses;
}

TEST(WriteTargetsTest, EveryListedAddressOnceInNumericOrderWhateverTheOrderOfAnswers) {
    discovery::Sightings sightings;
    sightings.replies = {Reply("198.18.0.100", 1), Reply("198.18.0.9", 2),
                         Reply("198.18.0.100", 1), Reply("198.18.1.2", 3),
                         Reply("198.18.0.255", 4), Reply("198.18.0.10", 5)};
    sightings.replies[5].listed = false;  // its version query failed
    const SearchedTargets searched = TargetsFromSightings(sightings);
    EXPECT_EQ(searched.replies, 6u);
    EXPECT_THAT(Addresses(searched.listed),
                ElementsAre("198.18.0.9", "198.18.0.100", "198.18.0.255", "198.18.1.2"));
    EXPECT_THAT(Addresses(searched.seen), ElementsAre("198.18.0.9", "198.18.0.10", "198.18.0.100",
                                                      "198.18.0.255", "198.18.1.2"));
    std::reverse(sightings.replies.begin(), sightings.replies.end());
    EXPECT_THAT(Addresses(TargetsFromSightings(sightings).listed),
                ElementsAre("198.18.0.9", "198.18.0.100", "198.18.0.255", "198.18.1.2"));
}

TEST(WriteTargetsTest, NoBoundOfTheDeviceList) {
    discovery::Sightings sightings;
    std::vector<std::string> addresses;
    for (int i = 0; i < 300; ++i) {
        addresses.push_back("198.18." + std::to_string(i / 200) + "." +
                            std::to_string(i % 200 + 1));
    }
    for (const std::string& address : addresses) {
        sightings.replies.push_back(Reply(address.c_str(), 1));
    }
    EXPECT_EQ(TargetsFromSightings(sightings).listed.size(), 300u);
}

TEST(WriteTargetsTest, TwoHardwareAddressesAtOneAddressAreAConflictWithoutABefore) {
    discovery::Sightings sightings;
    sightings.replies = {Reply("198.18.0.10", 0xA), Reply("198.18.0.11", 0xB),
                         Reply("198.18.0.10", 0xC), Reply("198.18.0.10", 0xA)};
    sightings.replies[2].listed = false;  // one of them never answered the version query
    const SearchedTargets searched = TargetsFromSightings(sightings);
    ASSERT_EQ(searched.listed.size(), 2u);
    const batch::WriteTarget& conflict = searched.listed[0];
    EXPECT_THAT(conflict.conflict, ElementsAre(Mac(0xA), Mac(0xC)));
    EXPECT_FALSE(conflict.before.mac.has_value()) << "a conflict has no one hardware address";
    const batch::WriteTarget& alone = searched.listed[1];
    EXPECT_TRUE(alone.conflict.empty());
    EXPECT_EQ(alone.before.mac, Mac(0xB));
    EXPECT_EQ(alone.before.sketchVersion, 105u);
}

TEST(WriteTargetsTest, AVersionThatDoesNotReadIsNoVersionBefore) {
    discovery::Sightings sightings;
    sightings.replies = {Reply("198.18.0.10", 0xA, std::nullopt)};
    const SearchedTargets searched = TargetsFromSightings(sightings);
    ASSERT_EQ(searched.listed.size(), 1u);
    EXPECT_EQ(searched.listed[0].before.mac, Mac(0xA));
    EXPECT_FALSE(searched.listed[0].before.sketchVersion.has_value());
}

TEST(WriteTargetsTest, NamedDevicesLearnTheirHardwareAddressOrTheirConflict) {
    discovery::Sightings sightings;
    sightings.replies = {Reply("198.18.0.10", 0xA), Reply("198.18.0.10", 0xC),
                         Reply("198.18.0.11", 0xB)};
    sightings.replies[2].listed = false;  // seen all the same
    std::ostringstream err;
    auto named = NamedTargets({"198.18.0.11", "198.18.0.10", "198.18.0.12"}, err);
    ASSERT_TRUE(named.has_value());
    LearnFromSearch(*named, TargetsFromSightings(sightings));
    EXPECT_EQ((*named)[0].before.mac, Mac(0xB));
    EXPECT_TRUE((*named)[0].conflict.empty());
    EXPECT_THAT((*named)[1].conflict, ElementsAre(Mac(0xA), Mac(0xC)));
    EXPECT_FALSE((*named)[2].before.mac.has_value());
    EXPECT_TRUE((*named)[2].conflict.empty());
}

TEST(WriteTargetsTest, AFailedSearchListsNothing) {
    discovery::Sightings sightings;
    sightings.error = 10024;
    sightings.replies = {Reply("198.18.0.10", 0xA)};
    const SearchedTargets searched = TargetsFromSightings(sightings);
    EXPECT_EQ(searched.error, 10024);
    EXPECT_TRUE(searched.listed.empty());
}

}  // namespace
}  // namespace tavro::cli
