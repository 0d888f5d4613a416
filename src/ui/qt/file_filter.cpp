#include "ui/qt/file_filter.h"

#include <QString>

namespace tavro::ui {
namespace {

QString QtPatterns(const QString& patterns) {
    QStringList converted;
    for (QString pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        // "*.*" matches every file, also one without a dot in its name.
        converted.append(pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
    }
    return converted.join(u' ');
}

}  // namespace

QStringList QtNameFilters(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList filters;
    // Pairs of name and patterns; the list ends at the first empty name.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString patterns = QtPatterns(parts[i + 1]);
        if (name.isEmpty() || patterns.isEmpty()) break;
        filters.append(name + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

OpenFileSettings ToOpenFileSettings(const FileOpenRequest& request) {
    return OpenFileSettings{QtNameFilters(request.filter),
                            QString::fromStdString(request.defaultExtension),
                            request.fileMustExist};
}

}  // namespace tavro::ui
