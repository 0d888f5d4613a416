#include "texts/language.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tavro::texts {
namespace {

Language From(const std::map<std::string, std::string>& variables) {
    return LanguageFromEnvironment([&](std::string_view name) -> std::optional<std::string> {
        const auto found = variables.find(std::string(name));
        if (found == variables.end()) return std::nullopt;
        return found->second;
    });
}

TEST(LanguageTest, TheVariableThatGovernsMessagesDecides) {
    EXPECT_EQ(From({}), Language::English);
    EXPECT_EQ(From({{"LANG", "ja_JP.UTF-8"}}), Language::Japanese);
    EXPECT_EQ(From({{"LANG", "ja"}}), Language::Japanese);
    EXPECT_EQ(From({{"LANG", "en_US.UTF-8"}}), Language::English);
    EXPECT_EQ(From({{"LANG", "C"}}), Language::English);
    // LC_ALL overrides everything, LC_MESSAGES overrides LANG.
    EXPECT_EQ(From({{"LC_ALL", "C"}, {"LC_MESSAGES", "ja_JP"}, {"LANG", "ja_JP"}}),
              Language::English);
    EXPECT_EQ(From({{"LC_ALL", "ja_JP.utf8"}, {"LANG", "en_GB"}}), Language::Japanese);
    EXPECT_EQ(From({{"LC_MESSAGES", "en_US"}, {"LANG", "ja_JP"}}), Language::English);
    EXPECT_EQ(From({{"LC_MESSAGES", "ja_JP"}, {"LANG", "en_US"}}), Language::Japanese);
    // A variable set to nothing does not count.
    EXPECT_EQ(From({{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "ja_JP"}}), Language::Japanese);
    // Only a name that begins with "ja" is Japanese.
    EXPECT_EQ(From({{"LANG", "en_JA"}}), Language::English);
}

TEST(LanguageTest, JapaneseOnlyWhereTheTextsUtf8CanBeShown) {
    for (const char* utf8 : {"ja_JP.UTF-8", "ja_JP.utf8", "ja.UTF-8@cjknarrow", "ja_JP", "ja"}) {
        EXPECT_EQ(From({{"LANG", utf8}}), Language::Japanese) << utf8;
    }
    for (const char* other : {"ja_JP.eucJP", "ja_JP.SJIS", "jazz-garbage", "japanese", "POSIX"}) {
        EXPECT_EQ(From({{"LANG", other}}), Language::English) << other;
    }
    // The characters' locale speaks for the terminal's codeset.
    EXPECT_EQ(From({{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "ja_JP.eucJP"}}), Language::English);
    EXPECT_EQ(From({{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LC_CTYPE", "C.UTF-8"}}), Language::Japanese);
    // Characters in the C locale (named, or by no locale at all) are ASCII.
    EXPECT_EQ(From({{"LC_CTYPE", "C"}, {"LANG", "ja_JP.UTF-8"}}), Language::English);
    EXPECT_EQ(From({{"LC_MESSAGES", "ja_JP.UTF-8"}}), Language::English);
}

bool Utf8(const std::map<std::string, std::string>& variables) {
    return CharactersAreUtf8([&](std::string_view name) -> std::optional<std::string> {
        const auto found = variables.find(std::string(name));
        if (found == variables.end()) return std::nullopt;
        return found->second;
    });
}

TEST(LanguageTest, CharactersAreUtf8OnlyInALocaleThatSaysSoOrNamesNoCodeset) {
    for (const char* utf8 : {"en_US.UTF-8", "ja_JP.utf8", "C.UTF-8", "de_DE", "ja"}) {
        EXPECT_TRUE(Utf8({{"LANG", utf8}})) << utf8;
    }
    for (const char* ascii : {"C", "POSIX", "ja_JP.eucJP", "en_US.ISO-8859-1", "C@euro"}) {
        EXPECT_FALSE(Utf8({{"LANG", ascii}})) << ascii;
    }
    EXPECT_FALSE(Utf8({}));
    EXPECT_FALSE(Utf8({{"LC_ALL", ""}, {"LANG", ""}}));
    // LC_ALL over LC_CTYPE over LANG; messages do not count.
    EXPECT_FALSE(Utf8({{"LC_ALL", "C"}, {"LC_CTYPE", "en_US.UTF-8"}, {"LANG", "en_US.UTF-8"}}));
    EXPECT_FALSE(Utf8({{"LC_CTYPE", "POSIX"}, {"LANG", "en_US.UTF-8"}}));
    EXPECT_TRUE(Utf8({{"LC_CTYPE", "en_US.UTF-8"}, {"LANG", "C"}}));
    EXPECT_FALSE(Utf8({{"LC_MESSAGES", "en_US.UTF-8"}}));
}

}  // namespace
}  // namespace tavro::texts
