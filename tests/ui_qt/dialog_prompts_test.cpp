// The real Qt message box and file dialog, answered by a timer that plays the user.
#include "ui/qt/dialog_prompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>

#include "qt_test_support.h"

namespace tavro::ui::test {
namespace {

TEST(QtDialogPromptsTest, MessageBoxHasTheCaptionNoIconAndTheAskedButtons) {
    QtTestApplication();
    QtDialogPrompts prompts;
    QString seenTitle;
    QString seenText;
    QString seenDetail;
    Qt::TextFormat detailFormat = Qt::AutoText;
    QMessageBox::Icon seenIcon = QMessageBox::Warning;
    QMessageBox::StandardButtons seenButtons;
    WhenModalIsUp<QMessageBox>([&](QMessageBox& box) {
        seenTitle = box.windowTitle();
        seenText = box.text();
        seenDetail = box.informativeText();
        for (QLabel* label : box.findChildren<QLabel*>()) {
            if (label->text() == seenDetail) detailFormat = label->textFormat();
        }
        seenIcon = box.icon();
        seenButtons = box.standardButtons();
        box.button(QMessageBox::Cancel)->click();
    });
    const MessageAnswer answer =
        prompts.Message(nullptr, QStringLiteral("TAVRO Writer"),
                        QStringLiteral("<b>/tmp/a.bin</b> を書き込みます。"),
                        QStringLiteral("<i>4096</i> バイト"), MessageButtons::okCancel);
    EXPECT_EQ(answer, MessageAnswer::cancel);
    EXPECT_EQ(seenTitle, QStringLiteral("TAVRO Writer"));
    EXPECT_EQ(seenText, QStringLiteral("<b>/tmp/a.bin</b> を書き込みます。"));
    EXPECT_EQ(seenDetail, QStringLiteral("<i>4096</i> バイト"));
    EXPECT_EQ(detailFormat, Qt::PlainText);
    EXPECT_EQ(seenIcon, QMessageBox::NoIcon);
    EXPECT_EQ(seenButtons, QMessageBox::Ok | QMessageBox::Cancel);

    WhenModalIsUp<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(prompts.Message(nullptr, QStringLiteral("Error"), QStringLiteral("x"), {},
                              MessageButtons::ok),
              MessageAnswer::ok);
}

TEST(QtDialogPromptsTest, FileDialogOffersTheFiltersAndTakesOnlyAnExistingFile) {
    QtTestApplication();
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString firmware = directory.filePath(QStringLiteral("new.bin"));
    QFile file(firmware);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const OpenFileSettings settings{
        {QStringLiteral("Firmware file (*.bin) (*.bin)"), QStringLiteral("all files(*.*) (*)")},
        QStringLiteral("bin"),
        true};
    QtDialogPrompts prompts;
    WhenModalIsUp<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.nameFilters(), settings.nameFilters);
        // The first filter is chosen, and the user reads it as the filter names it.
        EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("Firmware file (*.bin)"));
        EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("bin"));
        dialog.setDirectory(directory.path());
        dialog.selectFile(QStringLiteral("new.bin"));
        static_cast<QDialog&>(dialog).accept();  // as the Open button does
    });
    const std::optional<QString> chosen = prompts.OpenFile(nullptr, settings);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, firmware);

    WhenModalIsUp<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(prompts.OpenFile(nullptr, settings).has_value());
}

}  // namespace
}  // namespace tavro::ui::test
