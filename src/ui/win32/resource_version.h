#pragma once

#include "ui/version_text.h"

namespace tavro::ui {

// The file version of this program's own version resource. As the dialog has always read it:
// only when the resource has a translation table; otherwise every part is 0.
VersionParts VersionFromOwnResource();

}  // namespace tavro::ui
