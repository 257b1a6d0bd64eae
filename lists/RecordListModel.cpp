#include "lists/RecordListModel.h"

RecordListModel::RecordListModel(QObject *parent)
    : ListModel({QString(), QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                 QStringLiteral("Host Name"), QStringLiteral("Workgroup"), QStringLiteral("User"),
                 QStringLiteral("Department"), QStringLiteral("Location"), QStringLiteral("LAN Interface"),
                 QStringLiteral("Comments"), QStringLiteral("ID")},
                true, parent)
{
}

void RecordListModel::setRecords(const QList<PresetRecord> &records)
{
    clear();
    int number = 1;
    for (const PresetRecord &r : records) {
        ListRow row;
        row.cells = QStringList{QString::number(number++)} + r.fields() + QStringList{QString::number(r.id)};
        row.iconIndex = RecordIcon;
        appendRow(std::move(row));
    }
}

PresetRecord RecordListModel::record(int row) const
{
    const QStringList cells = ListModel::row(row).cells;
    return PresetRecord::fromFields(cells.mid(IpColumn, PresetRecord::FieldCount),
                                    cells.value(IdColumn).toLongLong());
}

void RecordListModel::columnClicked(int column)
{
    const Qt::SortOrder order = flippedSortOrder();
    SortKind kind = SortKind::ExactText;
    if (column == NumberColumn)
        kind = SortKind::Number;
    else if (column == IpColumn)
        kind = SortKind::Address;
    sortByColumn(column, kind, order);
}
