#pragma once

#include <QFont>

namespace tavro::ui {

// The dialog font of the template at its point size. Where the template's family is not
// installed, the proportional IPA Gothic stands in (same metrics class, Japanese glyphs);
// where that is missing too, the application's default family.
QFont DialogFont(const char* templateFamily, int pointSize);

}  // namespace tavro::ui
