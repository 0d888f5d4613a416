#pragma once

#include <QString>
#include <string_view>

namespace tavro::ui {

// The log pane keeps its text as appended (lines end with CR LF); the editor wants one '\n'
// per line break. Converts one appended piece: CR LF, a lone CR and a lone LF each give one
// break, also when the CR ended the previous piece and the LF starts this one.
QString LogDisplayText(std::string_view appended, bool previousEndedWithCr);

}  // namespace tavro::ui
