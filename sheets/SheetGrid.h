#pragma once

#include <QList>
#include <QStringList>

// One worksheet as cell texts: its used range from cell A1, row by row. Every
// row holds columnCount texts; an empty cell is empty text. The first row is
// the header row when the sheet has one.
struct SheetGrid
{
    int columnCount = 0;
    QList<QStringList> rows;
};
