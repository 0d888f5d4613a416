// Qt's own widgets inside the Japanese dialog: the real message box and file dialog once the
// program has presented itself to Qt, offscreen. A program of its own, as the translator is
// process-wide.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>

#include "app/application_identity.h"
#include "qt_test_support.h"
#include "ui/qt/dialog_prompts.h"

namespace tavro::ui::test {
namespace {

std::unique_ptr<QTranslator> JapaneseQtTexts() {
    QtTestApplication();
    std::unique_ptr<QTranslator> translator = PresentApplication();
    EXPECT_NE(translator, nullptr)
        << "no qtbase_ja in " << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    return translator;
}

TEST(QtTranslationsTest, TheProgramNamesItselfAndItsDesktopEntry) {
    const std::unique_ptr<QTranslator> translator = JapaneseQtTexts();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("TAVRO Writer"));
    // The name of the installed desktop entry, tavro-writer.desktop.
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("tavro-writer"));
}

TEST(QtTranslationsTest, MessageBoxButtonsAreJapaneseAndTheDialogsOwnTextsStay) {
    const std::unique_ptr<QTranslator> translator = JapaneseQtTexts();
    ASSERT_NE(translator, nullptr);
    QString okText;
    QString cancelText;
    QString title;
    QString text;
    WhenModalIsUp<QMessageBox>([&](QMessageBox& box) {
        okText = box.button(QMessageBox::Ok)->text();
        cancelText = box.button(QMessageBox::Cancel)->text();
        title = box.windowTitle();
        text = box.text();
        box.button(QMessageBox::Cancel)->click();
    });
    QtDialogPrompts prompts;
    prompts.Message(nullptr, QStringLiteral("TAVRO Writer"),
                    QStringLiteral("/tmp/a.bin を書き込みます。"), {}, MessageButtons::okCancel);
    EXPECT_EQ(okText, QStringLiteral("OK"));
    EXPECT_EQ(cancelText, QStringLiteral("キャンセル"));
    EXPECT_EQ(title, QStringLiteral("TAVRO Writer"));
    EXPECT_EQ(text, QStringLiteral("/tmp/a.bin を書き込みます。"));
}

TEST(QtTranslationsTest, FileDialogButtonsAndLabelsAreJapanese) {
    const std::unique_ptr<QTranslator> translator = JapaneseQtTexts();
    ASSERT_NE(translator, nullptr);
    QString openText;
    QString cancelText;
    QString fileNameLabel;
    WhenModalIsUp<QFileDialog>([&](QFileDialog& dialog) {
        // Qt's own dialog (no desktop's native one offscreen): its button box and labels.
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            for (QAbstractButton* button : buttons->buttons()) {
                if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                    openText = button->text();
                } else if (buttons->buttonRole(button) == QDialogButtonBox::RejectRole) {
                    cancelText = button->text();
                }
            }
        }
        if (auto* label = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))) {
            fileNameLabel = label->text();
        }
        dialog.reject();
    });
    QtDialogPrompts prompts;
    EXPECT_FALSE(prompts
                     .OpenFile(nullptr, {{QStringLiteral("Firmware file (*.bin) (*.bin)")},
                                         QStringLiteral("bin"),
                                         true})
                     .has_value());
    EXPECT_EQ(openText, QStringLiteral("開く(&O)"));
    EXPECT_EQ(cancelText, QStringLiteral("キャンセル"));
    EXPECT_EQ(fileNameLabel, QStringLiteral("ファイル名(&N):"));
}

TEST(QtTranslationsTest, QtSpeaksEnglishAgainOnceTheTranslatorIsGone) {
    JapaneseQtTexts();  // installed and dropped at once
    QString cancelText;
    WhenModalIsUp<QMessageBox>([&](QMessageBox& box) {
        cancelText = box.button(QMessageBox::Cancel)->text();
        box.button(QMessageBox::Cancel)->click();
    });
    QtDialogPrompts prompts;
    prompts.Message(nullptr, QStringLiteral("TAVRO Writer"), QStringLiteral("x"), {},
                    MessageButtons::okCancel);
    EXPECT_EQ(cancelText, QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace tavro::ui::test
