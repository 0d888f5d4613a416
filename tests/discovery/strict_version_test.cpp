#include "discovery/strict_version.h"

#include <gtest/gtest.h>

#include <string>

#include "discovery/version_answer.h"

namespace tavro::discovery {
namespace {

const std::string kSecondLine = "TEXT VER : 3\r\n";

TEST(ReadStrictSketchVersion, DigitsRightAfterEitherPrefixReadAsTheDeviceListReadsThem) {
    struct Case {
        std::string answer;
        std::uint32_t version;
    };
    const Case cases[] = {
        {"SKETCH VER : 105\r\n" + kSecondLine, 105},
        {"SKETCH VER 105\r\n" + kSecondLine, 105},
        {"SKETCH VER : 0\r\n" + kSecondLine, 0},
        {"SKETCH VER : 4294967295\r\n" + kSecondLine, 4294967295u},
        {"SKETCH VER : 0000000105\r\n" + kSecondLine, 105},  // ten digits, leading zeros
        {"SKETCH VER : 7\r\nhello\r\n", 7},                  // the second line is not read
        {"SKETCH VER : 7\r\n\r\n", 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadStrictSketchVersion(c.answer), c.version) << c.answer;
        // Where the strict reading finds a version, the list shows that same one.
        const std::optional<VersionAnswer> lenient = ParseVersionAnswer(c.answer);
        ASSERT_TRUE(lenient) << c.answer;
        EXPECT_EQ(lenient->sketchVersion, c.version) << c.answer;
    }
}

TEST(ReadStrictSketchVersion, AnythingElseHasNoVersion) {
    const std::string notStrict[] = {
        "hello\r\nworld\r\n",
        "SKETCH VER : ?\r\n" + kSecondLine,
        "SKETCH VER : -1\r\n" + kSecondLine,
        "SKETCH VER : +5\r\n" + kSecondLine,
        "SKETCH VER : 99999999999\r\n" + kSecondLine,  // eleven digits
        "SKETCH VER : 4294967296\r\n" + kSecondLine,   // ten digits, past 32 bits
        "SKETCH VER 00000000105\r\n" + kSecondLine,
        "SKETCH VER : 12abc\r\n" + kSecondLine,
        "SKETCH VER : 1 2\r\n" + kSecondLine,
        "SKETCH VER : \r\n" + kSecondLine,
        "SKETCH VER\r\n" + kSecondLine,
        "SKETCH VER :  5\r\n" + kSecondLine,  // two spaces
        "SKETCH VER : 5 \r\n" + kSecondLine,
        "SKETCH VER : 5\t\r\n" + kSecondLine,
        "SKETCH VER: 5\r\n" + kSecondLine,
        "SKETCH VER :5\r\n" + kSecondLine,
        "SKETCH VER  5\r\n" + kSecondLine,
        " SKETCH VER : 5\r\n" + kSecondLine,
        "MY SKETCH VER : 5\r\n" + kSecondLine,
        "sketch ver : 5\r\n" + kSecondLine,
        "SKETCH VER : 5\rX\r\n" + kSecondLine,  // a CR that no LF follows
        "SKETCH VER : 5\n" + kSecondLine,
        "SKETCH VER : 5\r\nTEXT VER : 3\n",  // the second line has no CR: not listed either
        "SKETCH VER : 5\r\n",
        "",
        std::string("SKETCH VER : 5\0\r\n", 17) + kSecondLine,
        std::string("SKETCH VER : 5\r\nTE\0XT\r\n", 23),  // the list stops reading at the NUL
    };
    for (const std::string& answer : notStrict) {
        EXPECT_FALSE(ReadStrictSketchVersion(answer)) << answer;
    }
}

}  // namespace
}  // namespace tavro::discovery
