#include "app/graphical_session.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavro::ui {
namespace {

QtMessageHandler previousHandler = nullptr;

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

void OnPlatformMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(NoGraphicalSessionText(), stderr);
        std::_Exit(1);
    }
    const bool platformWarning =
        context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0;
    if (!platformWarning && previousHandler != nullptr) previousHandler(type, context, text);
}

}  // namespace

bool GraphicalSessionNamed() {
    return Named("QT_QPA_PLATFORM") || Named("DISPLAY") || Named("WAYLAND_DISPLAY");
}

PlatformFailureGuard::PlatformFailureGuard() {
    previousHandler = qInstallMessageHandler(OnPlatformMessage);
}

PlatformFailureGuard::~PlatformFailureGuard() { qInstallMessageHandler(previousHandler); }

const char* NoGraphicalSessionText() {
    return "tavro-writer: needs a graphical session (no display could be opened); "
           "from a terminal, use tavro-writer-cli\n";
}

}  // namespace tavro::ui
