#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "ui/dialog_controls.h"

class QWidget;

namespace tavro::ui {

// The file-open dialog in Qt's terms.
struct OpenFileSettings {
    QStringList nameFilters;  // Qt name filters; the first one is selected
    QString defaultSuffix;
    bool fileMustExist = true;
};

// The save dialog in Qt's terms.
struct SaveFileSettings {
    QStringList nameFilters;
    QString defaultSuffix;
    QString suggestedName;
};

// The modal questions the window asks the user. The window owns one of these; tests pass
// their own to answer in advance without showing anything.
class DialogPrompts {
public:
    virtual ~DialogPrompts() = default;
    // A message box without icon; owner may be null. A detail that is not empty is the box's
    // informative text, beneath the main one.
    virtual MessageAnswer Message(QWidget* owner, const QString& caption, const QString& text,
                                  const QString& detail, MessageButtons buttons) = 0;
    // The chosen file's path, or nullopt when the dialog ended any other way than OK.
    virtual std::optional<QString> OpenFile(QWidget* owner, const OpenFileSettings& settings) = 0;
    // The path to save to, or nullopt when the dialog ended any other way than OK.
    virtual std::optional<QString> SaveFile(QWidget* owner, const SaveFileSettings& settings) = 0;
    // One line of input; nullopt after Cancel.
    virtual std::optional<QString> Text(QWidget* owner, const TextPrompt& prompt) = 0;
};

// The real Qt message boxes and file dialog.
class QtDialogPrompts final : public DialogPrompts {
public:
    MessageAnswer Message(QWidget* owner, const QString& caption, const QString& text,
                          const QString& detail, MessageButtons buttons) override;
    std::optional<QString> OpenFile(QWidget* owner, const OpenFileSettings& settings) override;
    std::optional<QString> SaveFile(QWidget* owner, const SaveFileSettings& settings) override;
    std::optional<QString> Text(QWidget* owner, const TextPrompt& prompt) override;
};

}  // namespace tavro::ui
