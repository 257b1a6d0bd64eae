#pragma once

#include <QString>
#include <QStringList>

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
    // ARP scan: the further MACs that answered the address, in the order
    // heard; macAddress is the first. In no column and no result file: the
    // analysis and the history read them, the files stay as peers know them.
    QStringList otherMacs = {};

    bool isMarker() const { return macAddress == QLatin1String(NonRespondedMarker); }

    // The six texts of columns 0 to 5, in column order (a scan result line).
    QStringList fields() const { return {number, ipAddress, macAddress, hostName, workgroup, vendor}; }
    // From six texts in column order; the icon follows the number (a marker
    // row has none). The row has no key.
    static ScanRow fromFields(const QStringList &fields)
    {
        ScanRow row;
        row.number = fields.value(0);
        row.ipAddress = fields.value(1);
        row.macAddress = fields.value(2);
        row.hostName = fields.value(3);
        row.workgroup = fields.value(4);
        row.vendor = fields.value(5);
        row.iconIndex = row.number.isEmpty() ? SilentIcon : AnsweredIcon;
        return row;
    }
};
