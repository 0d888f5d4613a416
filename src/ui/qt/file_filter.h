#pragma once

#include <QStringList>
#include <string_view>

#include "ui/dialog_controls.h"
#include "ui/qt/dialog_prompts.h"

namespace tavro::ui {

// Converts a filter of the form "Name (*.x)|*.x|Other|*.*||" into Qt name filters. Each
// becomes "Name (patterns)" with the patterns in Qt's terms ("*.*" means every file, ';'
// separates patterns), so that a name shown without its details reads as written.
QStringList QtNameFilters(std::string_view filter);

OpenFileSettings ToOpenFileSettings(const FileOpenRequest& request);

}  // namespace tavro::ui
