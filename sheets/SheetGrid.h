#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One worksheet as cell texts, kept sparse: a sheet may place one cell at the
// far corner of its million rows and sixteen thousand columns, so only the
// rows that hold a cell are kept, and in them only the cells with text.
struct SheetCell
{
    int column = 0; // from 0
    QString text;   // never empty
};

struct SheetRow
{
    int number = 0;         // the sheet's row, from 0
    QList<SheetCell> cells; // by column, each column once

    // The texts of columns 0 to count - 1; a column without a cell is empty.
    QStringList texts(int count) const;
};

struct SheetGrid
{
    // A worksheet holds at most this many cells with text here: more than a
    // record sheet of every host of the largest scan needs, few enough that
    // their texts fit in memory.
    static constexpr qsizetype MaxCells = qsizetype(1) << 20;
    // The last row and column a worksheet has (from 0).
    static constexpr int LastRow = 1048575;
    static constexpr int LastColumn = 16383;

    int columnCount = 0;  // one past the rightmost cell
    QList<SheetRow> rows; // the rows that hold a cell, in sheet order
};

// Gathers the cells of one sheet in any order and lays them out as a grid:
// rows and columns in order, the last text given for a cell kept. Empty
// texts are no cells.
class SheetGridBuilder
{
public:
    // False once the sheet holds more than SheetGrid::MaxCells cells; the
    // cell is not kept.
    bool add(int row, int column, QString text);
    SheetGrid take();

private:
    struct Entry
    {
        int row;
        int column;
        QString text;
    };
    QList<Entry> m_entries;
    bool m_ordered = true;
};
