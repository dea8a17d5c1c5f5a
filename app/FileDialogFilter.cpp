#include "app/FileDialogFilter.h"

#include <QString>

namespace vanteo {

QStringList NameFiltersFromFilterString(const std::string& filter) {
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'));
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty()) {
            break;  // the "||" that ends the string
        }
        QStringList qtPatterns;
        for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            qtPatterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (qtPatterns.isEmpty()) {
            continue;
        }
        const QString suffix = QLatin1Char('(') + patterns + QLatin1Char(')');
        if (description.endsWith(suffix)) {
            description.chop(suffix.size());
            description = description.trimmed();
        }
        if (description.isEmpty()) {
            description = qtPatterns.join(QLatin1Char(' '));
        }
        nameFilters << description + QStringLiteral(" (") + qtPatterns.join(QLatin1Char(' ')) +
                           QLatin1Char(')');
    }
    return nameFilters;
}

}  // namespace vanteo
