#include "app/screenshot_hook.h"

#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "ui/qt/writer_window.h"

namespace tavro::ui {
namespace {

// Long enough for the first paint and for style polish to settle.
constexpr int kSettleMs = 300;

}  // namespace

void ArmScreenshot(WriterWindow& window, const QString& pngPath, bool& failed) {
    // The window is the timer's context: when the dialog ends first, nothing fires.
    QTimer::singleShot(kSettleMs, &window, [&window, pngPath, &failed] {
        if (!window.grab().save(pngPath, "PNG")) {
            std::fprintf(stderr, "tavro-writer: cannot write the screenshot %s\n",
                         pngPath.toLocal8Bit().constData());
            failed = true;
        }
        window.EndDialog(0);
    });
}

QString ScreenshotPathFromEnvironment() { return qEnvironmentVariable("TAVRO_WRITER_SCREENSHOT"); }

}  // namespace tavro::ui
