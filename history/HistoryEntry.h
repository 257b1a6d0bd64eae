#pragma once

#include <QDateTime>
#include <QString>

// One IP/MAC pair of the host history: when completed scans first and last
// saw it, how many saw it, and the latest names and vendor they gave.
struct HistoryEntry
{
    QString site; // the site whose scans saw it
    QString ipAddress;
    QString macAddress;  // MacText::key form
    QDateTime firstSeen; // UTC
    QDateTime lastSeen;  // UTC
    int scanCount = 0;
    QString hostName;
    QString workgroup;
    QString vendor;
};
