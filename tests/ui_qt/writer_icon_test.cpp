#include "ui/qt/writer_icon.h"

#include <gtest/gtest.h>

#include <QSet>

#include "qt_test_support.h"
#include "ui/qt/writer_window.h"

namespace tavro::ui::test {
namespace {

TEST(WriterIconTest, IsOne64By64PictureAt24BitsWithRealContent) {
    QtTestApplication();
    const QImage image = DrawWriterIconImage();
    EXPECT_EQ(image.size(), QSize(64, 64));
    EXPECT_EQ(image.depth(), 24);
    EXPECT_FALSE(image.hasAlphaChannel());

    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20);
    // Drawn the same every time: the picture is part of the program, not of the moment.
    EXPECT_EQ(DrawWriterIconImage(), image);
}

TEST(WriterIconTest, SetDialogIconGivesTheWindowItsIcon) {
    QtTestApplication();
    FakePrompts prompts;
    WriterWindow window(&prompts);
    EXPECT_TRUE(window.windowIcon().isNull());
    window.SetDialogIcon();
    ASSERT_FALSE(window.windowIcon().isNull());
    EXPECT_TRUE(window.windowIcon().availableSizes().contains(QSize(64, 64)));
}

}  // namespace
}  // namespace tavro::ui::test
