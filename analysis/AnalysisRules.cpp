#include "analysis/AnalysisRules.h"

#include "analysis/FindingText.h"
#include "lists/RecordListModel.h"
#include "lists/ScanRow.h"

AnalysisRules::AnalysisRules(const RecordListModel &records)
{
    const int n = records.count();
    m_macByIp.reserve(n);
    m_ipByMac.reserve(n);
    for (int row = 0; row < n; ++row) {
        const QString ip = records.text(row, RecordListModel::IpColumn);
        const QString mac = records.text(row, RecordListModel::MacColumn);
        // The first row with a key keeps it, as the walk from the top would find it.
        const QString ipKey = ip.toUpper();
        if (!m_macByIp.contains(ipKey))
            m_macByIp.insert(ipKey, mac);
        const QString macKey = mac.toUpper();
        if (!m_ipByMac.contains(macKey))
            m_ipByMac.insert(macKey, ip);
    }
}

QString AnalysisRules::FindRecordMacByIp(const QString &ip) const
{
    return m_macByIp.value(ip.toUpper());
}

QString AnalysisRules::FindRecordIpByMac(const QString &mac) const
{
    return m_ipByMac.value(mac.toUpper());
}

QStringList AnalysisRules::findings(const QString &ip, const QString &mac, Checks checks,
                                    const QStringList &otherMacs) const
{
    QStringList found;
    if (mac == QLatin1String(ScanRow::NonRespondedMarker))
        return found;
    if (checks.analyzeMac) {
        const QString recordMac = FindRecordMacByIp(ip);
        if (recordMac.isEmpty())
            found.append(FindingText::ipNotPreset(ip, mac));
        else if (recordMac != mac)
            found.append(FindingText::ipOtherMac(ip, mac, recordMac));
    }
    if (checks.analyzeIp) {
        const QString recordIp = FindRecordIpByMac(mac);
        if (recordIp.isEmpty())
            found.append(FindingText::macNotRecorded(ip, mac));
        else if (recordIp != ip)
            found.append(FindingText::macOtherIp(ip, mac, recordIp));
    }
    // A conflict is news whatever the records say: two stations answer for
    // one address, so at least one of them took it.
    if (!otherMacs.isEmpty())
        found.append(FindingText::ipConflict(ip, QStringList{mac} + otherMacs));
    return found;
}
