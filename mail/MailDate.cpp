#include "mail/MailDate.h"

#include <QDate>
#include <QTime>

#include <cstdlib>

namespace MailDate {

namespace {

const char *const WeekdayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString lastEightHex(qint64 number)
{
    return (QStringLiteral("00000000") + QString::number(number, 16).toUpper()).right(8);
}

} // namespace

QString timeZoneSuffix(int offsetSeconds)
{
    const int minutes = std::abs(offsetSeconds) / 60;
    const QChar sign = offsetSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    return sign + QStringLiteral("%1%2")
                      .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                      .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString dateHeader(const QDateTime &localTime, const QString &suffix)
{
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    return QStringLiteral("%1, %2 %3 %4 %5 %6")
        .arg(QLatin1String(WeekdayNames[date.dayOfWeek() - 1]))
        .arg(date.day())
        .arg(QLatin1String(MonthNames[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(time.toString(QStringLiteral("HH:mm:ss")), suffix);
}

QString mimeBoundary(const QDateTime &localTime)
{
    const qint64 dayNumber = QDate(1899, 12, 30).daysTo(localTime.date());
    const qint64 fraction = qRound64(localTime.time().msecsSinceStartOfDay() / 86400000.0 * 100000000.0);
    return QStringLiteral("----_=_NextPart_000_") + lastEightHex(dayNumber) + QLatin1Char('.') +
           lastEightHex(fraction);
}

} // namespace MailDate
