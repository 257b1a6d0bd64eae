#include "sheets/CellText.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace CellText {

QString number(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

QString serialDate(double serial, DateKind kind, bool date1904)
{
    // Rounded to the second first, so 0.999999 of a day is the next midnight
    // and never 23:59:59 through a floating-point remainder.
    const qint64 seconds = std::llround(serial * 86400.0);
    qint64 days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const qint64 secondOfDay = seconds - days * 86400;
    QDate base;
    if (date1904) {
        base = QDate(1904, 1, 1);
    } else {
        // Serial 60 is the 29th of February 1900 of the 1900 system, which
        // shows as the 28th here; serials before it count from 1899-12-31.
        base = QDate(1899, 12, 30);
        if (days < 61)
            days += days == 60 ? 0 : 1;
    }
    const QDate date = base.addDays(days);
    const QTime time = QTime(0, 0).addSecs(int(secondOfDay));
    switch (kind) {
    case DateKind::Date:
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    case DateKind::Time:
        return time.toString(QStringLiteral("hh:mm:ss"));
    case DateKind::DateTime:
        break;
    }
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           time.toString(QStringLiteral("hh:mm:ss"));
}

} // namespace CellText
