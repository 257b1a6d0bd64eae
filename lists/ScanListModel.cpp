#include "ScanListModel.h"

ScanListModel::ScanListModel(QObject *parent)
    : ListModel({QString(), QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                 QStringLiteral("Host Name"), QStringLiteral("Workgroup"), QStringLiteral("NIC Vendor")},
                true, parent)
{
}

void ScanListModel::appendScanRow(const ScanRow &row)
{
    ListRow r;
    r.cells = {row.number, row.ipAddress, row.macAddress, row.hostName, row.workgroup, row.vendor};
    r.iconIndex = row.iconIndex;
    r.key = row.key;
    appendRow(std::move(r));
}

ScanRow ScanListModel::scanRow(int row) const
{
    const ListRow &r = ListModel::row(row);
    ScanRow s;
    s.number = r.cells.value(NumberColumn);
    s.ipAddress = r.cells.value(IpColumn);
    s.macAddress = r.cells.value(MacColumn);
    s.hostName = r.cells.value(HostColumn);
    s.workgroup = r.cells.value(WorkgroupColumn);
    s.vendor = r.cells.value(VendorColumn);
    s.iconIndex = r.iconIndex;
    s.key = r.key;
    return s;
}

void ScanListModel::columnClicked(int column)
{
    const Qt::SortOrder order = flippedSortOrder();
    if (column == IpColumn)
        sortByColumn(column, SortKind::Address, order);
    else
        setSortState(column, order);
}
