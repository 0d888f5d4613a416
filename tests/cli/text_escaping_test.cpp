// Peer text on its way to a terminal or into JSON: hostile bytes never arrive raw.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/console/json_text.h"
#include "cli/console/terminal_text.h"
#include "text_checks.h"

namespace tavro::cli {
namespace {

using tavro::test::IsUtf8;

const std::string kJapanese = "ネットワークデバイスが見つかりませんでした。";

// Text a hostile device or interface name might carry, and how a terminal must show it.
struct Hostile {
    std::string raw;
    std::string shown;
};

const std::vector<Hostile> kHostile = {
    {"\x1b[2J\x1b]0;owned\x07", "\\x1b[2J\\x1b]0;owned\\x07"},
    {std::string("a\0b", 3), "a\\x00b"},
    {"\xff\xfe", "\\xff\\xfe"},
    {"%n%s%x", "%n%s%x"},
    {"\x80 lone continuation", "\\x80 lone continuation"},
    {"\xc0\xaf overlong slash", "\\xc0\\xaf overlong slash"},
    {"\xe0\x80\xaf overlong", "\\xe0\\x80\\xaf overlong"},
    {"\xed\xa0\x80 surrogate", "\\xed\\xa0\\x80 surrogate"},
    {"\xf4\x90\x80\x80 beyond", "\\xf4\\x90\\x80\\x80 beyond"},
    {"cut \xe3\x83", "cut \\xe3\\x83"},
    {"del\x7f c1\xc2\x9b[31m", "del\\x7f c1\\u009b[31m"},
    {"tab\tcr\rlf\n", "tab\\x09cr\\x0dlf\\x0a"},
    {"back\\x1b slash", "back\\\\x1b slash"},
    // Characters that break a line or turn its direction around.
    {"ls\xe2\x80\xa8ps\xe2\x80\xa9nel\xc2\x85", "ls\\u2028ps\\u2029nel\\u0085"},
    {"\xe2\x80\xaenib.exe\xe2\x81\xa6x\xe2\x81\xa9", "\\u202enib.exe\\u2066x\\u2069"},
    {"\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c\xe2\x80\xaa", "\\u200e\\u200f\\u061c\\u202a"},
};

TEST(TerminalTextTest, HostileBytesAreEscapedUnambiguously) {
    for (const Hostile& text : kHostile) {
        EXPECT_EQ(TerminalText(text.raw), text.shown);
        EXPECT_TRUE(IsUtf8(TerminalText(text.raw)));
    }
}

TEST(TerminalTextTest, ValidUtf8PassesUnchanged) {
    for (const std::string& text : {kJapanese, std::string("\xe2\x80\xa7 \xf0\x9f\x98\x80 é"),
                                    std::string("198.18.0.1 (tv0)")}) {
        EXPECT_EQ(TerminalText(text), text);
    }
}

TEST(TerminalTextTest, TraceKeepsItsLineBreaksOnly) {
    EXPECT_EQ(TerminalTrace("recv: \"\x1b[2J\"\r\nBad Answer: \xff\r\n" + kJapanese + "\n"),
              "recv: \"\\x1b[2J\"\r\nBad Answer: \\xff\r\n" + kJapanese + "\n");
    EXPECT_EQ(TerminalTrace("progress\rover\n\r"), "progress\\x0dover\n\\x0d");
}

TEST(TerminalTextTest, TraceWaitsForLineEndsAndCharactersCutBetweenPieces) {
    EXPECT_EQ(TraceReadyLength("ok.\r"), 3u);
    EXPECT_EQ(TraceReadyLength("ok.\r\n"), 5u);
    const std::string japanese = "\xe7\xb5\x82";  // 終
    EXPECT_EQ(TraceReadyLength("x" + japanese.substr(0, 1)), 1u);
    EXPECT_EQ(TraceReadyLength("x" + japanese.substr(0, 2)), 1u);
    EXPECT_EQ(TraceReadyLength("x" + japanese), 4u);
    EXPECT_EQ(TraceReadyLength("x\x80"), 2u) << "a stray continuation byte has nothing to wait for";
    EXPECT_EQ(TraceReadyLength("x\xff"), 2u) << "0xFF leads no character";
}

// JSON is printed in ASCII alone: whatever the text holds, what reaches a terminal or a reader
// is valid, and says what came in (each byte that is not UTF-8 as U+FFFD).
TEST(JsonTextTest, HostileBytesGiveAsciiJsonThatSaysWhatCameIn) {
    const std::string replacement = "\xef\xbf\xbd";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\x1b[2J", "\x1b[2J"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"\xff", replacement},
        {"\x80", replacement},
        {"cut \xe3\x83", "cut " + replacement},
        {"\"quoted\" \\ path", "\"quoted\" \\ path"},
        {"del\x7f c1\xc2\x85 ls\xe2\x80\xa8 bidi\xe2\x80\xae",
         "del\x7f c1\xc2\x85 ls\xe2\x80\xa8 bidi\xe2\x80\xae"},
        {kJapanese, kJapanese},
    };
    for (const auto& [raw, meant] : cases) {
        const std::string json = JsonText(Json(raw));
        EXPECT_TRUE(std::all_of(json.begin(), json.end(), [](char c) {
            return c >= 0x20 && c < 0x7f;
        })) << json;
        EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), meant) << json;
    }
}

}  // namespace
}  // namespace tavro::cli
