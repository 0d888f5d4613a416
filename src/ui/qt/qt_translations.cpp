#include "ui/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tavro::ui {

QLocale DialogLanguage() { return QLocale(QLocale::Japanese, QLocale::Japan); }

std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale& language) {
    auto translator = std::make_unique<QTranslator>();
    // qtbase holds the texts of the widgets the dialog borrows from Qt.
    if (!translator->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace tavro::ui
