#include "platform/qt/file_filter.h"

namespace {

QStringList PatternVariants(const QString& patterns) {
    QStringList out;
    const QStringList parts = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString p : parts) {
        p = p.trimmed();
        if (p.isEmpty()) continue;
        if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        for (const QString& v : {p, p.toUpper(), p.toLower()})
            if (!out.contains(v)) out << v;
    }
    if (out.isEmpty()) out << QStringLiteral("*");
    return out;
}

}  // namespace

QStringList ToQtNameFilters(const std::string& filter) {
    QStringList result;
    const QStringList fields = QString::fromStdString(filter).split(QLatin1Char('|'));
    if (filter.empty()) return result;
    for (int i = 0; i < fields.size(); i += 2) {
        const QString description = fields[i].trimmed();
        const QString patterns = i + 1 < fields.size() ? fields[i + 1] : QString();
        result << QStringLiteral("%1 (%2)").arg(description, PatternVariants(patterns).join(QLatin1Char(' ')));
    }
    return result;
}
