#include "records/Acknowledgement.h"

std::optional<QDateTime> Acknowledgement::parseUntil(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QDate day = QDate::fromString(trimmed, Qt::ISODate);
    if (day.isValid() && trimmed.size() == 10)
        return endOfDay(day);
    // A time without a zone would mean the local time of whoever typed it;
    // the database holds instants, so the zone must be said.
    const bool zoned = trimmed.endsWith(QLatin1Char('Z')) || trimmed.lastIndexOf(QLatin1Char('+')) > 10 ||
                       trimmed.lastIndexOf(QLatin1Char('-')) > 10;
    const QDateTime moment = QDateTime::fromString(trimmed, Qt::ISODate);
    if (!zoned || !moment.isValid())
        return std::nullopt;
    return moment.toUTC();
}

QDateTime Acknowledgement::endOfDay(const QDate &day)
{
    return QDateTime(day, QTime(23, 59, 59), Qt::UTC);
}

QString Acknowledgement::isoText(const QDateTime &moment)
{
    if (!moment.isValid())
        return {};
    return moment.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

QDateTime Acknowledgement::fromIsoText(const QString &text)
{
    if (text.isEmpty())
        return {};
    return QDateTime::fromString(text, Qt::ISODate).toUTC();
}
