#include "app/writer_app.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "app/application_identity.h"
#include "app/graphical_session.h"
#include "app/screenshot_hook.h"
#include "app/stall_probe.h"
#include "ui/qt/writer_window.h"
#include "ui/writer_dialog.h"
#include "ui/writer_services.h"
#include "version.h"

namespace tavro::ui {
namespace {

constexpr const char* kUsage =
    "Usage: tavro-writer [--help] [--version]\n"
    "\n"
    "Opens the dialog that finds TAVRO Wi-Fi LAN I/O devices on the network of a chosen\n"
    "local interface and writes a firmware file into one of them.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the program version and exit\n";

void PrintVersion() { std::printf("tavro-writer %s\n", kVersionText); }

// Answers --help and --version before any display is needed; nullopt means run the dialog.
std::optional<int> AnswerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            PrintVersion();
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace

int WriterApp::Run(int argc, char** argv) {
    if (const std::optional<int> status = AnswerInformationOptions(argc, argv)) return *status;

    if (!GraphicalSessionNamed()) {
        std::fputs(NoGraphicalSessionText(), stderr);
        return 1;
    }
    std::optional<PlatformFailureGuard> platformGuard(std::in_place);
    QApplication application(argc, argv);
    platformGuard.reset();
    // Qt has taken its own options (-platform and the like); the program has none left.
    const QStringList rest = QCoreApplication::arguments().mid(1);
    if (!rest.isEmpty()) {
        std::fprintf(stderr, "tavro-writer: unknown argument %s\n\n%s",
                     rest.first().toLocal8Bit().constData(), kUsage);
        return 2;
    }
    const std::unique_ptr<QTranslator> qtTexts = PresentApplication();

    WriterWindow window;
    WriterDialog dialog(window, RealWriterServices());
    window.SetEvents(dialog);

    bool hookFailed = false;
    const QString screenshotPath = ScreenshotPathFromEnvironment();
    if (!screenshotPath.isEmpty()) ArmScreenshot(window, screenshotPath, hookFailed);
    const QString probePath = StallProbePathFromEnvironment();
    if (!probePath.isEmpty()) ArmStallProbe(window, probePath, hookFailed);

    // The dialog's result is not examined: every end of the dialog is a normal end.
    window.exec();
    return hookFailed ? 1 : 0;
}

}  // namespace tavro::ui
