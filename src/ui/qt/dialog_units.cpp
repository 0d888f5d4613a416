#include "ui/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace tavro::ui {

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average of 52 letters, rounded to nearest: (width / 26 + 1) / 2.
    return DialogBaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const DialogRect& rect, const DialogBaseUnits& base) {
    const DialogRect pixels = MapDialogRectToPixels(rect, base);
    return QRect(pixels.x, pixels.y, pixels.width, pixels.height);
}

}  // namespace tavro::ui
