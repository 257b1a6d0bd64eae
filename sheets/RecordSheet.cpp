#include "RecordSheet.h"

std::optional<RecordSheet> RecordSheet::fromGrid(const SheetGrid &grid)
{
    if (grid.columnCount != ColumnCount || grid.rows.isEmpty())
        return std::nullopt;
    RecordSheet sheet;
    const QStringList &header = grid.rows.first();
    for (int c = 0; c < ColumnCount; ++c) {
        const QString name = header.value(c);
        sheet.m_columnNames.append(name.isEmpty() ? QStringLiteral("F%1").arg(c + 1) : name);
    }
    qsizetype end = grid.rows.size();
    while (end > 1 && std::all_of(grid.rows.at(end - 1).cbegin(), grid.rows.at(end - 1).cend(),
                                  [](const QString &cell) { return cell.isEmpty(); }))
        --end;
    sheet.m_rows = grid.rows.mid(1, end - 1);
    for (QStringList &row : sheet.m_rows)
        row.resize(ColumnCount);
    return sheet;
}

PresetRecord RecordSheet::record(int index) const
{
    return PresetRecord::fromFields(m_rows.at(index).mid(1));
}
