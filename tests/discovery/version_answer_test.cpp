#include "discovery/version_answer.h"

#include <gtest/gtest.h>

#include <string>

namespace tavro::discovery {
namespace {

TEST(ParseVersionAnswer, OddLineBreaksStayInsideTheirLines) {
    // Two CRs in a row: the second line is empty, not of negative length.
    const auto adjacent = ParseVersionAnswer("SKETCH VER : 7\r\r\n\n");
    ASSERT_TRUE(adjacent);
    EXPECT_EQ(adjacent->sketchVersion, 7u);
    EXPECT_FALSE(adjacent->textVersion);

    // The byte after the first CR is skipped whatever it is.
    const auto noLineFeed = ParseVersionAnswer("SKETCH VER : 7\rXTEXT VER : 8\r\n");
    ASSERT_TRUE(noLineFeed);
    EXPECT_EQ(noLineFeed->textVersion, 8u);
}

TEST(ParseVersionAnswer, TextEndsAtTheFirstNul) {
    const std::string answer("SKETCH VER : 7\0\r\nTEXT VER : 8\r\n", 31);
    EXPECT_FALSE(ParseVersionAnswer(answer));
}

}  // namespace
}  // namespace tavro::discovery
