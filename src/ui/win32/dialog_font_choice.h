#pragma once

#include <string>

namespace tavro::ui {

// The face the dialog is made with: the template's family when it is installed, else the
// first installed of its Latin name and the proportional IPA Gothic (same metrics class,
// Japanese glyphs), else the system's dialog shell font.
std::wstring ChooseDialogFontFace(const char* templateFamily);

}  // namespace tavro::ui
