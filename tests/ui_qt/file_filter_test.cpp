#include "ui/qt/file_filter.h"

#include <gtest/gtest.h>

namespace tavro::ui {
namespace {

TEST(QtNameFiltersTest, PairsBecomeNamedFiltersWithQtPatterns) {
    EXPECT_EQ(QtNameFilters("Firmware file (*.bin)|*.bin|all files(*.*)|*.*||"),
              QStringList({QStringLiteral("Firmware file (*.bin) (*.bin)"),
                           QStringLiteral("all files(*.*) (*)")}));
    // Several patterns are separated by ';' in the pair and by spaces for Qt.
    EXPECT_EQ(QtNameFilters("Images|*.bin;*.hex||"),
              QStringList({QStringLiteral("Images (*.bin *.hex)")}));
}

TEST(QtNameFiltersTest, TheListEndsAtTheFirstEmptyPairOrAnUnpairedName) {
    EXPECT_EQ(QtNameFilters("A|*.a||B|*.b||"), QStringList({QStringLiteral("A (*.a)")}));
    EXPECT_EQ(QtNameFilters("A|*.a|B"), QStringList({QStringLiteral("A (*.a)")}));
    EXPECT_TRUE(QtNameFilters("").isEmpty());
    EXPECT_TRUE(QtNameFilters("||").isEmpty());
}

}  // namespace
}  // namespace tavro::ui
