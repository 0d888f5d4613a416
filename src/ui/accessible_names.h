#pragma once

#include <optional>

#include "ui/control_ids.h"

namespace tavro::ui {

// The name a screen reader says for a control that has no label of its own beside it (UTF-8);
// nullopt for a control whose own text names it (the buttons).
std::optional<const char*> AccessibleName(ControlId id);

}  // namespace tavro::ui
