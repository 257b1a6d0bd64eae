#include "history/HistoryTime.h"

namespace HistoryTime {

Clock systemClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

QString text(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODate);
}

QDateTime fromText(const QString &text)
{
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    return when.isValid() ? when.toUTC() : QDateTime();
}

std::optional<QDateTime> parseUserTime(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QDate day = QDate::fromString(trimmed, Qt::ISODate);
    if (day.isValid() && trimmed.size() == 10)
        return day.startOfDay(Qt::UTC);
    QDateTime when = QDateTime::fromString(trimmed, Qt::ISODate);
    if (!when.isValid())
        return std::nullopt;
    // Without an offset Qt reads local time; a time given here is UTC.
    if (when.timeSpec() == Qt::LocalTime)
        when.setTimeSpec(Qt::UTC);
    return when.toUTC();
}

} // namespace HistoryTime
