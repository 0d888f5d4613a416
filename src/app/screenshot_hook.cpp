#include "app/screenshot_hook.h"

#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "ui/qt/writer_window.h"

namespace tavro::ui {
namespace {

// Long enough for the first paint, style polish and a window manager's frame to settle.
constexpr int kSettleMs = 500;
constexpr int kPollMs = 50;

// The window as the screen shows it: with the frame and caption a window manager drew around
// it; on a platform without one (offscreen), its own contents.
QPixmap Picture(WriterWindow& window) {
    QScreen* screen = window.screen();
    const bool framed = window.frameGeometry() != window.geometry();
    if (screen == nullptr || !framed) return window.grab();
    const QRect frame = window.frameGeometry();
    return screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
}

void TakePicture(WriterWindow& window, const QString& pngPath, bool& failed) {
    if (!Picture(window).save(pngPath, "PNG")) {
        std::fprintf(stderr, "tavro-writer: cannot write the screenshot %s\n",
                     pngPath.toLocal8Bit().constData());
        failed = true;
    }
    window.EndDialog(0);
}

// Once the search has ended: the first line selected, then the picture.
void PictureAfterSearch(WriterWindow& window, const QString& pngPath, bool& failed) {
    auto* search = qobject_cast<QPushButton*>(window.Control(ControlId::search));
    if (!search->isEnabled()) {
        QTimer::singleShot(kPollMs, &window, [&window, pngPath, &failed] {
            PictureAfterSearch(window, pngPath, failed);
        });
        return;
    }
    // As a user's click: the selection reaches the dialog and enables Write.
    if (auto* list = qobject_cast<QListWidget*>(window.Control(ControlId::deviceList));
        list->count() > 0) {
        list->setCurrentRow(0);
    }
    QTimer::singleShot(kSettleMs, &window,
                       [&window, pngPath, &failed] { TakePicture(window, pngPath, failed); });
}

}  // namespace

void ArmScreenshot(WriterWindow& window, const QString& pngPath, bool& failed) {
    // The window is the timer's context: when the dialog ends first, nothing fires.
    QTimer::singleShot(kSettleMs, &window, [&window, pngPath, &failed] {
        qobject_cast<QPushButton*>(window.Control(ControlId::search))->click();
        PictureAfterSearch(window, pngPath, failed);
    });
}

QString ScreenshotPathFromEnvironment() { return qEnvironmentVariable("TAVRO_WRITER_SCREENSHOT"); }

}  // namespace tavro::ui
