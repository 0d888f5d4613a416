#include "ui/qt/dialog_prompts.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

namespace tavro::ui {

MessageAnswer QtDialogPrompts::Message(QWidget* owner, const QString& caption, const QString& text,
                                       const QString& detail, MessageButtons buttons) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    // Texts carry file paths, which must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (!detail.isEmpty()) {
        box.setInformativeText(detail);
        // The detail carries a device's words and paths too: plain text, like the main text.
        for (QLabel* label : box.findChildren<QLabel*>()) {
            if (label->text() == detail) label->setTextFormat(Qt::PlainText);
        }
    }
    box.setIcon(QMessageBox::NoIcon);
    if (buttons == MessageButtons::okCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok) ? MessageAnswer::ok
                                                              : MessageAnswer::cancel;
}

std::optional<QString> QtDialogPrompts::OpenFile(QWidget* owner, const OpenFileSettings& settings) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(settings.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The filters carry their patterns twice; the user sees each filter's own name only.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(settings.nameFilters);
    if (!settings.nameFilters.isEmpty()) dialog.selectNameFilter(settings.nameFilters.first());
    dialog.setDefaultSuffix(settings.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first();
}

}  // namespace tavro::ui
