#include "ui/qt/log_display.h"

namespace tavro::ui {

QString LogDisplayText(std::string_view appended, bool previousEndedWithCr) {
    if (previousEndedWithCr && !appended.empty() && appended.front() == '\n') {
        appended.remove_prefix(1);
    }
    QString text = QString::fromUtf8(appended.data(), static_cast<qsizetype>(appended.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

}  // namespace tavro::ui
