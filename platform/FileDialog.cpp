#include "platform/FileDialog.h"

#include <QRegularExpression>

QString FileDialogRequest::extensionOf(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QString patterns = parts.value(1).trimmed();
    if (patterns.isEmpty()) { // a lone description such as "Backup (*.KSBK)"
        static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
        patterns = inParentheses.match(parts.constFirst()).captured(1);
    }
    static const QRegularExpression oneExtension(QStringLiteral("^\\*\\.([^*?\\[\\].]+)$"));
    return oneExtension.match(patterns.section(QLatin1Char(';'), 0, 0).trimmed()).captured(1);
}
