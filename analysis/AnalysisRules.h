#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class RecordListModel;

// The record lookups and the per-row rules of the analysis, over a snapshot
// of the record list taken when the rules are made.
//
// The lookups give what a walk of the record list from its first row would
// give: the first row, in the list's current order, whose search column
// equals the key after both are upper-cased (exactly, no trimming). The list
// is indexed once, so an analysis of many scan rows against many records
// costs one pass over the records, and the list's highlight is never moved.
// Make new rules after the record list has changed or been sorted.
class AnalysisRules
{
public:
    struct Checks
    {
        bool analyzeMac = true; // Check2: look the IP up, compare the MAC
        bool analyzeIp = true;  // Check3: look the MAC up, compare the IP
    };

    explicit AnalysisRules(const RecordListModel &records);

    // The MAC of the first record with this IP, as stored; empty when none.
    QString FindRecordMacByIp(const QString &ip) const;
    // The IP of the first record with this MAC, as stored; empty when none.
    QString FindRecordIpByMac(const QString &mac) const;

    // The finding texts of one scan row, the "Analyze of MAC" one first, then
    // the address conflict when further MACs answered its IP (otherMacs: the
    // row's). A row marked "Non-Responded IP" yields none.
    QStringList findings(const QString &ip, const QString &mac, Checks checks,
                         const QStringList &otherMacs = {}) const;

private:
    QHash<QString, QString> m_macByIp; // upper-cased IP -> MAC of its first record
    QHash<QString, QString> m_ipByMac; // upper-cased MAC -> IP of its first record
};
