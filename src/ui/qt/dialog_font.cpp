#include "ui/qt/dialog_font.h"

#include <QApplication>
#include <QFontDatabase>
#include <QString>

namespace tavro::ui {

QFont DialogFont(const char* templateFamily, int pointSize) {
    QFont font = QApplication::font();
    // Font packages on Linux may register the template family under its Latin name.
    const QString candidates[] = {QString::fromUtf8(templateFamily), QStringLiteral("MS PGothic"),
                                  QStringLiteral("IPAPGothic")};
    for (const QString& family : candidates) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamilies({family});
            break;
        }
    }
    font.setPointSize(pointSize);
    return font;
}

}  // namespace tavro::ui
