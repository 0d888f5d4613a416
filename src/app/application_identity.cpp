#include "app/application_identity.h"

#include <QGuiApplication>

#include "ui/qt/qt_translations.h"

namespace tavro::ui {

std::unique_ptr<QTranslator> PresentApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("TAVRO Writer"));
    // Desktops match the window to tavro-writer.desktop by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tavro-writer"));
    // The dialog is Japanese whatever the desktop's language; Qt's file dialog follows it.
    return InstallQtTranslations(DialogLanguage());
}

}  // namespace tavro::ui
