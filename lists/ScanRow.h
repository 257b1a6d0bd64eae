#pragma once

#include <QString>

// One row of the scan list: a host of the scanned range.
struct ScanRow
{
    // Stands in the MAC column of a host that did not answer.
    static constexpr const char *NonRespondedMarker = "Non-Responded IP";
    static constexpr int AnsweredIcon = 1;
    static constexpr int SilentIcon = 2;

    QString number; // running number among the answering hosts; empty on a marker row
    QString ipAddress;
    QString macAddress; // "00-0A-E4-20-53-55" or the marker
    QString hostName;
    QString workgroup;
    QString vendor;
    int iconIndex = AnsweredIcon;
    QString key; // ARP scan: "MAC" + last octet; empty otherwise

    bool isMarker() const { return macAddress == QLatin1String(NonRespondedMarker); }
};
