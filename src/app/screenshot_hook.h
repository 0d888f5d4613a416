#pragma once

#include <QString>

namespace tavro::ui {

class WriterWindow;

// For the README picture: once the window is up, grabs it to a PNG file and ends the dialog.
// failed is set when the file could not be written.
void ArmScreenshot(WriterWindow& window, const QString& pngPath, bool& failed);

// The PNG path named by TAVRO_WRITER_SCREENSHOT, empty when the variable is unset.
QString ScreenshotPathFromEnvironment();

}  // namespace tavro::ui
