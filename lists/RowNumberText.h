#pragma once

#include <QList>
#include <QString>

// Row numbers for a message: "row 4", "rows 4, 7, 9" or, past the first
// five, "rows 4, 7, 9, 12, 20 and 3 more", so that a message about thousands
// of rows stays a line.
QString rowNumberText(const QList<int> &numbers);
