#include "lists/ScanListModel.h"

ScanListModel::ScanListModel(QObject *parent)
    : ListModel({QString(), QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                 QStringLiteral("Host Name"), QStringLiteral("Workgroup"), QStringLiteral("NIC Vendor")},
                true, parent)
{
}

namespace {

ListRow toListRow(const ScanRow &row)
{
    ListRow r;
    r.cells = row.fields();
    r.iconIndex = row.iconIndex;
    r.key = row.key;
    r.hiddenTexts = row.otherMacs;
    return r;
}

} // namespace

void ScanListModel::appendScanRow(const ScanRow &row)
{
    appendRow(toListRow(row));
}

void ScanListModel::appendScanRows(const QList<ScanRow> &rows)
{
    QList<ListRow> converted;
    converted.reserve(rows.size());
    for (const ScanRow &row : rows)
        converted.append(toListRow(row));
    appendRows(std::move(converted));
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
    s.otherMacs = r.hiddenTexts;
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
