#include "ui/dialog_units.h"

namespace tavro::ui {
namespace {

int MulDivRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

int MapDialogX(int units, const DialogBaseUnits& base) { return MulDivRounded(units, base.x, 4); }

int MapDialogY(int units, const DialogBaseUnits& base) { return MulDivRounded(units, base.y, 8); }

DialogRect MapDialogRectToPixels(const DialogRect& rect, const DialogBaseUnits& base) {
    const int left = MapDialogX(rect.x, base);
    const int top = MapDialogY(rect.y, base);
    const int right = MapDialogX(rect.x + rect.width, base);
    const int bottom = MapDialogY(rect.y + rect.height, base);
    return DialogRect{left, top, right - left, bottom - top};
}

}  // namespace tavro::ui
