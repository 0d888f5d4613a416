#pragma once

#include <windows.h>

namespace tavro::ui {

// Gives each control of the dialog that has no label beside it its accessible name through
// the system's annotation service. Where the service is missing, the controls keep the names
// the system guesses; nothing else changes. Needs COM on the calling thread.
void AnnotateAccessibleNames(HWND dialog);

}  // namespace tavro::ui
