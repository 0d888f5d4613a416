// Every argument is taken as it was typed: a number in decimal whatever its leading zeros, a
// bracketed argument as one argument, an empty path as a mistake.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cli/empty_option_values.h"
#include "cli/option_checks.h"

namespace tavro::cli {
namespace {

using ::testing::ElementsAre;

// One command with one option of each kind, parsed from a made-up command line.
struct Parsed {
    int jobs = 8;
    std::uint16_t port = 0;
    std::optional<double> seconds;
    std::string path = "unset";
    std::vector<std::string> positionals;
    std::string refusal;  // the parser's message; empty when it took the line
};

Parsed Parse(std::vector<std::string> arguments) {
    Parsed parsed;
    CLI::App app;
    AddWholeNumberOption(app, "--jobs", parsed.jobs, 1, 256, "");
    AddWholeNumberOption(app, "--port", parsed.port, 1, 65535, "");
    AddSecondsOption(app, "--seconds", parsed.seconds, "");
    AddPathOption(app, "--log", parsed.path, "");
    TakeEachArgumentLiterally(app.add_option("ITEMS", parsed.positionals, ""));
    std::vector<std::string> kept = EmptyValuesKept(app, arguments);
    std::reverse(kept.begin(), kept.end());
    try {
        app.parse(kept);
    } catch (const CLI::ParseError& error) {
        parsed.refusal = error.what();
    }
    return parsed;
}

TEST(LiteralArgumentsTest, WholeNumbersAreDecimalWhateverTheirLeadingZeros) {
    EXPECT_EQ(Parse({"--jobs", "010"}).jobs, 10);
    EXPECT_EQ(Parse({"--jobs", "0000000000000000000000000256"}).jobs, 256);
    EXPECT_EQ(Parse({"--port", "010000"}).port, 10000);
    EXPECT_EQ(Parse({"--port", "08080"}).port, 8080);
    EXPECT_EQ(Parse({"--port", "65535"}).port, 65535);
    EXPECT_EQ(Parse({}).jobs, 8) << "a number not given keeps its default";

    for (const char* notDecimal : {"0x10", "0X10", "0b1", "0o17", "1e1", "+5", " 5", "5 ", "5.0",
                                   "1'000", "1_000", "[5]", "", "-", "٥"}) {
        const Parsed parsed = Parse({"--jobs", notDecimal});
        EXPECT_EQ(parsed.refusal, std::string("--jobs: '") + notDecimal + "' is not a whole number")
            << notDecimal;
        EXPECT_EQ(parsed.jobs, 8);
    }
    for (const char* outside : {"0", "-1", "257", "99999999999999999999999"}) {
        EXPECT_EQ(Parse({"--jobs", outside}).refusal,
                  std::string("--jobs: 1..256, not ") + outside);
    }
    // The port's type would wrap 65536 to 0 and 65537 to 1.
    EXPECT_EQ(Parse({"--port", "65537"}).refusal, "--port: 1..65535, not 65537");
    EXPECT_EQ(Parse({"--port", "4294967297"}).refusal, "--port: 1..65535, not 4294967297");
}

TEST(LiteralArgumentsTest, SecondsAreDecimalAndFinite) {
    EXPECT_EQ(Parse({"--seconds", "010"}).seconds, 10.0);
    EXPECT_EQ(Parse({"--seconds", "2.5"}).seconds, 2.5);
    EXPECT_EQ(Parse({"--seconds", ".5"}).seconds, 0.5);
    EXPECT_EQ(Parse({"--seconds", "5."}).seconds, 5.0);
    EXPECT_EQ(Parse({"--seconds", "0.001"}).seconds, 0.001);
    EXPECT_EQ(Parse({}).seconds, std::nullopt);

    for (const char* notDecimal :
         {"0x10", "0x1p3", "1e3", "1E-2", "+5", " 5", "5,5", "1..2", ".", "", "[5]"}) {
        EXPECT_EQ(Parse({"--seconds", notDecimal}).refusal,
                  std::string("--seconds: '") + notDecimal + "' is not a number")
            << notDecimal;
    }
    for (const char* notFinite : {"nan", "NaN", "-nan", "nan(1)", "inf", "-inf", "Infinity"}) {
        EXPECT_EQ(Parse({"--seconds", notFinite}).refusal,
                  std::string("--seconds: '") + notFinite + "' is not a finite number");
    }
    for (const std::string& outside :
         std::vector<std::string>{"0", "0.0009", "-1", "86400.5", std::string(400, '9')}) {
        EXPECT_EQ(Parse({"--seconds", outside}).refusal,
                  std::string("--seconds: seconds lie in 0.001..86400, not ") + outside);
    }
}

TEST(LiteralArgumentsTest, ABracketedArgumentIsOneArgumentAsTyped) {
    EXPECT_THAT(Parse({"[fw]"}).positionals, ElementsAre("[fw]"));
    EXPECT_THAT(Parse({"[198.18.0.11,198.18.0.12]", "fw"}).positionals,
                ElementsAre("[198.18.0.11,198.18.0.12]", "fw"));
    EXPECT_THAT(Parse({"a", "[]", "[", "]", "a,b", "--", "[x]", "--log"}).positionals,
                ElementsAre("a", "[]", "[", "]", "a,b", "[x]", "--log"));
    EXPECT_EQ(Parse({"--log", "[a,b]"}).path, "[a,b]");
}

TEST(LiteralArgumentsTest, AnEmptyPathIsRefusedNotTakenAsNone) {
    const Parsed parsed = Parse({"--log", ""});
    EXPECT_EQ(parsed.refusal, "--log: a file's path, not an empty text");
    // Not "--log" with the next argument for its value.
    const Parsed glued = Parse({"--log=", "x"});
    EXPECT_EQ(glued.refusal, "--log: a file's path, not an empty text");
    EXPECT_EQ(Parse({"--jobs=", "3"}).refusal, "--jobs: '' is not a whole number");
    EXPECT_EQ(Parse({"--log", "--jobs=", "x"}).path, "--jobs=")
        << "a value, whatever it looks like";
    EXPECT_THAT(Parse({"--", "--log="}).positionals, ElementsAre("--log="));
    EXPECT_EQ(Parse({"--log", "./"}).path, "./") << "a directory is the opening's to refuse";
}

}  // namespace
}  // namespace tavro::cli
