#pragma once

#include <QString>

namespace tavro::ui {

class WriterWindow;

// For the README picture: once the window is up, presses Search, selects the first device line
// when the search has ended, grabs the window to a PNG file (with its frame where a window
// manager draws one) and ends the dialog.
// failed is set when the file could not be written.
void ArmScreenshot(WriterWindow& window, const QString& pngPath, bool& failed);

// The PNG path named by TAVRO_WRITER_SCREENSHOT, empty when the variable is unset.
QString ScreenshotPathFromEnvironment();

}  // namespace tavro::ui
