#include "sheets/SheetGrid.h"

#include <algorithm>

QStringList SheetRow::texts(int count) const
{
    QStringList texts(count);
    for (const SheetCell &cell : cells) {
        if (cell.column < count)
            texts[cell.column] = cell.text;
    }
    return texts;
}

bool SheetGridBuilder::add(int row, int column, QString text)
{
    if (text.isEmpty())
        return true;
    if (m_entries.size() >= SheetGrid::MaxCells)
        return false;
    if (!m_entries.isEmpty()) {
        const Entry &last = m_entries.constLast();
        if (row < last.row || (row == last.row && column <= last.column))
            m_ordered = false;
    }
    m_entries.append({row, column, std::move(text)});
    return true;
}

SheetGrid SheetGridBuilder::take()
{
    // Workbooks written by programs list their cells in order; only a
    // damaged or made-up one needs the sort.
    if (!m_ordered)
        std::stable_sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
    SheetGrid grid;
    for (Entry &entry : m_entries) {
        if (grid.rows.isEmpty() || grid.rows.constLast().number != entry.row)
            grid.rows.append(SheetRow{entry.row, {}});
        QList<SheetCell> &cells = grid.rows.last().cells;
        if (!cells.isEmpty() && cells.constLast().column == entry.column)
            cells.last().text = std::move(entry.text); // the later one wins
        else
            cells.append({entry.column, std::move(entry.text)});
        grid.columnCount = std::max(grid.columnCount, entry.column + 1);
    }
    m_entries.clear();
    m_ordered = true;
    return grid;
}
