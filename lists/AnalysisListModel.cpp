#include "lists/AnalysisListModel.h"

#include "lists/AcknowledgedSet.h"

AnalysisListModel::AnalysisListModel(QObject *parent)
    : ListModel({QString(), QStringLiteral("Date/Time"), QStringLiteral("Result")}, false, parent)
{
}

void AnalysisListModel::appendEntry(const AnalysisEntry &entry)
{
    ListRow row;
    row.cells = {QString(), entry.dateTime, entry.result, entry.ip, entry.mac};
    row.iconIndex = EntryIcon;
    row.dimmed = entry.acknowledged;
    appendRow(std::move(row));
}

AnalysisEntry AnalysisListModel::entry(int row) const
{
    return {text(row, DateTimeColumn), text(row, ResultColumn), text(row, IpColumn), text(row, MacColumn),
            isDimmed(row)};
}

int AnalysisListModel::setAcknowledged(const QString &ip, const QString &mac, bool acknowledged)
{
    const QString wantedIp = AcknowledgedSet::normalIp(ip);
    const QString wantedMac = AcknowledgedSet::normalMac(mac);
    int changed = 0;
    for (int row = 0; row < count(); ++row) {
        if (isDimmed(row) == acknowledged || AcknowledgedSet::normalIp(text(row, IpColumn)) != wantedIp ||
            AcknowledgedSet::normalMac(text(row, MacColumn)) != wantedMac)
            continue;
        setDimmed(row, acknowledged);
        ++changed;
    }
    return changed;
}
