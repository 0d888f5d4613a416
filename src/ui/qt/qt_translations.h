#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>

namespace tavro::ui {

// The language the dialog speaks, whatever the desktop's: its own texts are Japanese.
QLocale DialogLanguage();

// Installs Qt's own texts (the file dialog, the message boxes' standard buttons) in language
// from Qt's translations folder. They stay installed while the returned translator lives; null
// when Qt has no translation for it here, and Qt then speaks English.
std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale& language);

}  // namespace tavro::ui
