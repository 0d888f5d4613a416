#pragma once

#include <string>

namespace tavro::ui {

// The face the dialog is made with: the template's family when it is installed, else the
// first installed of its Latin name, the Japanese UI faces of Windows and the proportional IPA
// Gothic (Japanese glyphs, close metrics), else the system's dialog shell font.
std::wstring ChooseDialogFontFace(const char* templateFamily);

}  // namespace tavro::ui
