#include "sheets/RecordSheet.h"

std::optional<RecordSheet> RecordSheet::fromGrid(const SheetGrid &grid)
{
    if (grid.columnCount != ColumnCount || grid.rows.isEmpty())
        return std::nullopt;
    RecordSheet sheet;
    const QStringList header = grid.rows.first().texts(ColumnCount);
    for (int c = 0; c < ColumnCount; ++c) {
        const QString &name = header.at(c);
        sheet.m_columnNames.append(name.isEmpty() ? QStringLiteral("F%1").arg(c + 1) : name);
    }
    sheet.m_rows.reserve(grid.rows.size() - 1);
    for (qsizetype r = 1; r < grid.rows.size(); ++r)
        sheet.m_rows.append(grid.rows.at(r).texts(ColumnCount));
    return sheet;
}

PresetRecord RecordSheet::record(int index) const
{
    return PresetRecord::fromFields(m_rows.at(index).mid(1));
}
