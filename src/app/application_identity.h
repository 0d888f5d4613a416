#pragma once

#include <QTranslator>
#include <memory>

namespace tavro::ui {

// What the running application tells Qt and the desktop about itself: its name (the caption of
// its message boxes), its desktop entry (and with it the launcher's icon), and the language of
// Qt's own dialogs and buttons. Qt's texts stay in that language while the result lives.
std::unique_ptr<QTranslator> PresentApplication();

}  // namespace tavro::ui
