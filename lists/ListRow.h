#pragma once

#include <QString>
#include <QStringList>

// One row of a report-style list: its column texts, its check box, the index
// of its small icon (0 = none), an optional key that identifies the row,
// whether it is shown dimmed (greyed: there, but needing no look), and texts
// it carries unseen.
struct ListRow
{
    QStringList cells;
    bool checked = false;
    int iconIndex = 0;
    QString key;
    bool dimmed = false;
    // Texts that travel with the row through sorting and removal but that
    // no column shows.
    QStringList hiddenTexts = {};
};
