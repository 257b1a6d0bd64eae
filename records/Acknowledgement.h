#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// "Known, leave it": one finding (an IP and MAC address pair) that an
// administrator has looked at. It stays in the analysis list, marked, and is
// left out of the mail report until it expires. Times are UTC.
struct Acknowledgement
{
    QString ip;  // AcknowledgedSet::normalIp form
    QString mac; // AcknowledgedSet::normalMac form
    QString note;
    QString by;      // the login name of who acknowledged it
    QDateTime at;    // when it was made
    QDateTime until; // the last moment it holds; invalid: for ever

    bool isActiveAt(const QDateTime &moment) const { return !until.isValid() || moment <= until; }

    // The text of an until-date as a user gives it: "YYYY-MM-DD" holds to the
    // end of that day (23:59:59 UTC); an ISO 8601 date and time with "Z" or an
    // offset is taken as that instant. Nothing for anything else.
    static std::optional<QDateTime> parseUntil(const QString &text);
    // The last moment of the day in UTC.
    static QDateTime endOfDay(const QDate &day);
    // "yyyy-MM-ddTHH:mm:ssZ"; empty for an invalid time.
    static QString isoText(const QDateTime &moment);
    // The reverse of isoText; invalid for empty or other text.
    static QDateTime fromIsoText(const QString &text);
};
