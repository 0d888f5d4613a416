#include "discovery/search_notice.h"

#include <gtest/gtest.h>

namespace tavro::discovery {
namespace {

SearchOutcome Outcome(int count, int unlisted, bool endedAtBound) {
    SearchOutcome outcome(count);
    outcome.unlistedReplies = unlisted;
    outcome.endedAtBound = endedAtBound;
    return outcome;
}

TEST(SearchNotice, TellsWhatTheSearchLeftOutInOneLine) {
    EXPECT_EQ(SearchNotice(Outcome(256, 44, false)),
              "44 more replies were not listed (the list holds 256)");
    EXPECT_EQ(SearchNotice(Outcome(256, 1, false)),
              "1 more reply was not listed (the list holds 256)");
    EXPECT_EQ(SearchNotice(Outcome(3, 0, true)),
              "the search ended at its 10 s bound while replies were still arriving");
    EXPECT_EQ(SearchNotice(Outcome(256, 900, true)),
              "900 more replies were not listed (the list holds 256); the search ended at its "
              "10 s bound while replies were still arriving");
}

TEST(SearchNotice, SaysNothingAfterAnOrdinaryOrFailedSearch) {
    EXPECT_EQ(SearchNotice(Outcome(0, 0, false)), "");
    EXPECT_EQ(SearchNotice(Outcome(256, 0, false)), "");
    EXPECT_EQ(SearchNotice(SearchOutcome(12)), "");
    EXPECT_EQ(SearchNotice(Outcome(-1, 5, true)), "");
}

}  // namespace
}  // namespace tavro::discovery
