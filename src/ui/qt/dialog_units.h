#pragma once

#include <QFont>
#include <QRect>

#include "ui/dialog_template.h"
#include "ui/dialog_units.h"

namespace tavro::ui {

// The dialog base units of a Qt font.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// A template rectangle in pixels, as a QRect.
QRect MapDialogRect(const DialogRect& rect, const DialogBaseUnits& base);

}  // namespace tavro::ui
