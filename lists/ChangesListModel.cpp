#include "lists/ChangesListModel.h"

ChangesListModel::ChangesListModel(QObject *parent)
    : ListModel({QStringLiteral("Date/Time"), QStringLiteral("Site"), QStringLiteral("Kind"),
                 QStringLiteral("IP Address"), QStringLiteral("MAC Address"), QStringLiteral("Change")},
                false, parent)
{
}

void ChangesListModel::appendChanges(const QList<QStringList> &rows)
{
    QList<ListRow> converted;
    converted.reserve(rows.size());
    for (const QStringList &cells : rows) {
        ListRow row;
        row.cells = cells;
        converted.append(std::move(row));
    }
    appendRows(std::move(converted));
}
