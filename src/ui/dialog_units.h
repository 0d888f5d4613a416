#pragma once

#include "ui/dialog_template.h"

namespace tavro::ui {

// The base units of a dialog font: x is the average width of the 52 Latin letters, y the
// font's height, both in pixels. A horizontal dialog unit is x / 4 pixels, a vertical one y / 8.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// Converts dialog units to pixels; edges are converted one by one and rounded to nearest,
// so neighbouring controls stay adjacent.
int MapDialogX(int units, const DialogBaseUnits& base);
int MapDialogY(int units, const DialogBaseUnits& base);
// The rectangle in pixels, as x, y, width and height.
DialogRect MapDialogRectToPixels(const DialogRect& rect, const DialogBaseUnits& base);

}  // namespace tavro::ui
