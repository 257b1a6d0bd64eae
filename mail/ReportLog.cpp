#include "mail/ReportLog.h"

#include <QFile>

namespace ReportLog {

QString path(const QString &folder)
{
    return folder + QStringLiteral("/report.log");
}

void append(const QString &folder, const QDateTime &at, const QString &outcome)
{
    QFile file(path(folder));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QString line = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('\t') + outcome;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    file.write(line.toUtf8() + "\n");
}

} // namespace ReportLog
