#include "texts/search_texts.h"

#include <gtest/gtest.h>

namespace tavro::texts {
namespace {

using discovery::SearchOutcome;

SearchOutcome Outcome(int count, int unlisted, bool endedAtBound) {
    SearchOutcome outcome(count);
    outcome.unlistedReplies = unlisted;
    outcome.endedAtBound = endedAtBound;
    return outcome;
}

TEST(SearchNoticeText, TellsWhatTheSearchLeftOutInOneLine) {
    const Language en = Language::English;
    EXPECT_EQ(SearchNoticeText(Outcome(256, 44, false), en),
              "44 more replies were not listed (the list holds 256)");
    EXPECT_EQ(SearchNoticeText(Outcome(256, 1, false), en),
              "1 more reply was not listed (the list holds 256)");
    EXPECT_EQ(SearchNoticeText(Outcome(3, 0, true), en),
              "the search ended at its 10 s bound while replies were still arriving");
    EXPECT_EQ(SearchNoticeText(Outcome(256, 900, true), en),
              "900 more replies were not listed (the list holds 256); the search ended at its "
              "10 s bound while replies were still arriving");
    EXPECT_EQ(SearchNoticeText(Outcome(256, 900, true), Language::Japanese),
              "一覧に載らなかった応答があと 900 件あります（一覧は 256 台まで）。"
              "応答が続いている間に検索の上限 10 秒 に達したため、検索を打ち切りました");
}

TEST(SearchNoticeText, SaysNothingAfterAnOrdinaryOrFailedSearch) {
    for (const Language language : {Language::English, Language::Japanese}) {
        EXPECT_EQ(SearchNoticeText(Outcome(0, 0, false), language), "");
        EXPECT_EQ(SearchNoticeText(Outcome(256, 0, false), language), "");
        EXPECT_EQ(SearchNoticeText(SearchOutcome(12), language), "");
        EXPECT_EQ(SearchNoticeText(Outcome(-1, 5, true), language), "");
    }
}

TEST(SearchNoticeText, NoInterfaceInJapaneseIsTheDialogsMessage) {
    EXPECT_EQ(NoInterfaceText(Language::Japanese), "ネットワークデバイスが見つかりませんでした。");
    EXPECT_EQ(NoInterfaceText(Language::English), "No network device was found.");
}

TEST(SearchNoticeText, ASearchThatListedNothingSaysWhere) {
    EXPECT_EQ(NoDeviceAnsweredText("tv0", "198.18.0.1", Language::English),
              "no device answered on tv0 (198.18.0.1)");
    EXPECT_EQ(NoDeviceAnsweredText("tv0", "198.18.0.1", Language::Japanese),
              "tv0 (198.18.0.1) ではどのデバイスも応答しませんでした");
}

}  // namespace
}  // namespace tavro::texts
