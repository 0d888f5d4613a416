#include "texts/board_texts.h"

#include <gtest/gtest.h>

namespace tavro::texts {
namespace {

TEST(BoardTextsTest, TallyAndWaitingInBothLanguages) {
    const BoardCounts plain{.done = 12, .failed = 0, .writing = 8, .comingBack = 0, .waiting = 12};
    EXPECT_EQ(BoardTallyText(plain, Language::English), "12 done, 8 writing, 12 waiting");
    EXPECT_EQ(BoardTallyText(plain, Language::Japanese), "完了 12、書き込み中 8、待機中 12");

    const BoardCounts mixed{.done = 5, .failed = 2, .writing = 1, .comingBack = 3, .waiting = 0};
    EXPECT_EQ(BoardTallyText(mixed, Language::English),
              "5 done (2 failed), 1 writing, 3 coming back, 0 waiting");
    EXPECT_EQ(BoardTallyText(mixed, Language::Japanese),
              "完了 5（失敗 2）、書き込み中 1、復帰待ち 3、待機中 0");
    EXPECT_EQ(BoardWaitingText(Language::English), "waiting");
    EXPECT_EQ(BoardWaitingText(Language::Japanese), "待機中");
}

}  // namespace
}  // namespace tavro::texts
