#include "texts/search_texts.h"

#include <gtest/gtest.h>

#include "texts/local_error_texts.h"

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

TEST(SearchNoticeText, DevicesThatAnsweredOnlyTheProbeAreCountedAndALocalShortageIsNamed) {
    const Language en = Language::English;
    const Language ja = Language::Japanese;
    EXPECT_EQ(UnansweredVersionText(3, 0, 0, "tv0", "198.18.0.1", en),
              "3 devices on tv0 (198.18.0.1) answered the probe but not the version query");
    EXPECT_EQ(UnansweredVersionText(1, 0, 0, "tv0", "198.18.0.1", en),
              "1 device on tv0 (198.18.0.1) answered the probe but not the version query");
    EXPECT_EQ(UnansweredVersionText(16, 16, 10024, "tv0", "198.18.0.1", en),
              "16 devices on tv0 (198.18.0.1) answered the probe, but this computer could not "
              "ask them for their version: too many open files");
    EXPECT_EQ(UnansweredVersionText(1, 1, 10055, "tv0", "198.18.0.1", en),
              "1 device on tv0 (198.18.0.1) answered the probe, but this computer could not ask "
              "it for its version: no buffer space available");
    EXPECT_EQ(UnansweredVersionText(5, 2, 10024, "tv0", "198.18.0.1", en),
              "5 devices on tv0 (198.18.0.1) answered the probe but not the version query; this "
              "computer could not ask 2 of them: too many open files");
    EXPECT_EQ(UnansweredVersionText(3, 0, 0, "tv0", "198.18.0.1", ja),
              "tv0 (198.18.0.1) で 3 台のデバイスが検索に応答しましたが、"
              "バージョンの問い合わせには応答しませんでした");
    EXPECT_EQ(UnansweredVersionText(16, 16, 10024, "tv0", "198.18.0.1", ja),
              "tv0 (198.18.0.1) で 16 台のデバイスが検索に応答しましたが、"
              "このコンピューターの側でバージョンを問い合わせられませんでした: "
              "開いているファイルが多すぎます (too many open files)");
    EXPECT_EQ(UnansweredVersionText(5, 2, 10055, "tv0", "198.18.0.1", ja),
              "tv0 (198.18.0.1) で 5 台のデバイスが検索に応答しましたが、"
              "バージョンの問い合わせには応答しませんでした"
              "（うち 2 台はこのコンピューターの側で問い合わせられませんでした: "
              "バッファー領域が足りません (no buffer space available)）");

    EXPECT_EQ(UnaskedDevicesText(15, 10024, en),
              "15 more devices answered the probe, but this computer could not ask them for "
              "their version: too many open files");
    EXPECT_EQ(UnaskedDevicesText(1, 20001, en),
              "1 more device answered the probe, but this computer could not ask it for its "
              "version: error 20001");
    EXPECT_EQ(UnaskedDevicesText(15, 10024, ja),
              "ほかに 15 台のデバイスが検索に応答しましたが、"
              "このコンピューターの側でバージョンを問い合わせられませんでした: "
              "開いているファイルが多すぎます (too many open files)");
    EXPECT_EQ(LocalErrorText(20001, ja), "エラー 20001");
}

TEST(SearchNoticeText, RepliesPastWhatASearchKeepsAreTold) {
    EXPECT_EQ(RepliesLeftOutText(7, 4096, Language::English),
              "7 more replies were left out (a search keeps 4096)");
    EXPECT_EQ(RepliesLeftOutText(1, 4096, Language::English),
              "1 more reply was left out (a search keeps 4096)");
    EXPECT_EQ(RepliesLeftOutText(7, 4096, Language::Japanese),
              "検索で扱える応答は 4096 件までのため、残りの 7 件の応答は扱いませんでした");
}

}  // namespace
}  // namespace tavro::texts
