#pragma once

#include "lists/ListModel.h"
#include "lists/PresetRecord.h"

#include <QList>

// The record list: the running number in load order, the nine fields of a
// PresetRecord and the record's ID in column 10, which the view keeps hidden.
// Other parts of the program address these columns by number.
class RecordListModel : public ListModel
{
    Q_OBJECT

public:
    enum Column {
        NumberColumn = 0,
        IpColumn = 1,
        MacColumn = 2,
        CommentsColumn = 9,
        IdColumn = 10,
    };
    static constexpr int RecordIcon = 3;

    explicit RecordListModel(QObject *parent = nullptr);

    // Replaces all rows at once, numbered 1, 2, 3, ... in the given order.
    void setRecords(const QList<PresetRecord> &records);
    PresetRecord record(int row) const;
    QString idText(int row) const { return text(row, IdColumn); }

    // A click on a column header: records the column, flips the order and
    // sorts: the number column as numbers, "IP Address" address-aware, every
    // other column as case-sensitive text.
    void columnClicked(int column);
};
