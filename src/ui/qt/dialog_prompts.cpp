#include "ui/qt/dialog_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

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

namespace tavro::ui {

std::optional<QString> QtDialogPrompts::SaveFile(QWidget* owner, const SaveFileSettings& settings) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(settings.nameFilters);
    dialog.setDefaultSuffix(settings.defaultSuffix);
    dialog.selectFile(settings.suggestedName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first();
}

std::optional<QString> QtDialogPrompts::Text(QWidget* owner, const TextPrompt& prompt) {
    QInputDialog dialog(owner);
    dialog.setWindowTitle(QString::fromStdString(prompt.caption));
    dialog.setLabelText(QString::fromStdString(prompt.label));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(prompt.masked ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(QString::fromStdString(prompt.initial));
    if (prompt.digitsOnly) {
        if (auto* field = dialog.findChild<QLineEdit*>()) {
            field->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]{0,5}")), field));
        }
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

}  // namespace tavro::ui
