#include "texts/comeback_texts.h"

#include <gtest/gtest.h>

#include "texts/address_conflict_texts.h"

namespace tavro::texts {
namespace {

constexpr Language kEn = Language::English;
constexpr Language kJa = Language::Japanese;

TEST(ComebackTextsTest, WhyATakenImageIsNotVerified) {
    EXPECT_EQ(NotBackCauseText("60", kEn),
              "it took the image but did not answer again within 60 s of its reset");
    EXPECT_EQ(NotBackCauseText("60", kJa),
              "ファームウェアを受け取りましたが、リセット後 60 秒以内に再び応答しませんでした");
    EXPECT_EQ(NeverLeftText(kEn),
              "it took the image but kept answering with the version it had before, to the end "
              "of the wait: it did not reset");
    EXPECT_EQ(NeverLeftText(kJa),
              "ファームウェアを受け取りましたが、待ち時間の終わりまで書き込み前のバージョンで"
              "応答し続けました（リセットしていません）");
    EXPECT_EQ(UnreadableVersionText(kEn),
              "it came back from its reset, but its version answer does not read as a version");
    EXPECT_EQ(UnreadableVersionText(kJa),
              "リセットから復帰しましたが、バージョンの応答をバージョンとして読めません");
}

// This computer's failure is never told as the device's.
TEST(ComebackTextsTest, AWatchThatFailedHereSaysSo) {
    EXPECT_EQ(WatchFailedText(10024, kEn),
              "this computer could not watch for the device's return (too many open files); "
              "whether it came back is not known");
    EXPECT_EQ(WatchFailedText(10055, kEn),
              "this computer could not watch for the device's return (no buffer space available); "
              "whether it came back is not known");
    EXPECT_EQ(WatchFailedText(10050, kEn),
              "this computer could not watch for the device's return (error 10050); "
              "whether it came back is not known");
    EXPECT_EQ(WatchFailedText(10024, kJa),
              "このコンピューターで機器の復帰を確かめられませんでした（開いているファイルが多すぎ"
              "ます (too many open files)）。復帰したかどうかは分かりません");
}

TEST(ComebackTextsTest, SuffixesOnADevicesLineOfSeveral) {
    EXPECT_EQ(NeverLeftSuffix(kEn), ", but it did not reset (still the version it had)");
    EXPECT_EQ(NeverLeftSuffix(kJa), "、リセットせず（書き込み前のバージョンのまま）");
    EXPECT_EQ(UnreadableVersionSuffix(kEn), ", back, but its version does not read");
    EXPECT_EQ(UnreadableVersionSuffix(kJa), "、復帰したがバージョンを読めず");
    EXPECT_EQ(WatchFailedSuffix(10024, kEn),
              ", its return could not be watched (too many open files)");
    EXPECT_EQ(WatchFailedSuffix(10024, kJa),
              "、復帰を確かめられず（開いているファイルが多すぎます (too many open files)）");
}

TEST(AddressConflictTextsTest, NamesTheAddressAndEveryHardwareAddress) {
    const std::vector<std::string> macs = {"02:00:5e:00:00:0a", "02:00:5e:00:00:0b"};
    EXPECT_EQ(AddressConflictText("198.18.0.10", macs, kEn),
              "2 devices answer at 198.18.0.10 (02:00:5e:00:00:0a, 02:00:5e:00:00:0b); none was "
              "written, as the image could reach any of them");
    EXPECT_EQ(AddressConflictText("198.18.0.10", macs, kJa),
              "198.18.0.10 で 2 台の機器が応答しました（02:00:5e:00:00:0a、02:00:5e:00:00:0b）。"
              "どの機器に届くか分からないため、書き込みませんでした");
    EXPECT_EQ(AddressConflictShortText(kEn), "not written: several devices answer at this address");
    EXPECT_EQ(AddressConflictShortText(kJa), "書き込みませんでした（アドレスの競合）");
}

}  // namespace
}  // namespace tavro::texts
