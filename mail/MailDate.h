#pragma once

#include <QDateTime>
#include <QString>

// The dates of a message. Pure functions; the clock is the caller's.
namespace MailDate {

// "+hhmm" or "-hhmm" for a local time that is offsetSeconds ahead of UTC:
// UTC+5:30 gives "+0530", UTC-3:30 "-0330", UTC "+0000".
QString timeZoneSuffix(int offsetSeconds);

// "Mon, 7 Dec 2026 09:05:03 +0800": English weekday and month names whatever
// the locale, the day without a leading zero, then the given suffix.
QString dateHeader(const QDateTime &localTime, const QString &suffix);

// "----_=_NextPart_000_" + the day number of the date (days since 30 December
// 1899) as eight hexadecimal digits + "." + the time of day as a fraction of
// the day times 100000000, as eight hexadecimal digits (upper case).
QString mimeBoundary(const QDateTime &localTime);

} // namespace MailDate
