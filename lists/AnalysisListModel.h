#pragma once

#include "lists/AnalysisEntry.h"
#include "lists/ListModel.h"

// The analysis list: columns "", "Date/Time", "Result", no check boxes. Rows
// are only appended at the bottom or cleared all together.
//
// Each row also carries the IP and MAC address of its scan row, in cells past
// the visible columns (text(row, IpColumn)), so that they follow the row
// through sorting but are never shown, written or printed. An acknowledged
// finding is a dimmed row (ListModel::DimmedRole).
class AnalysisListModel : public ListModel
{
    Q_OBJECT

public:
    enum Column { IconColumn = 0, DateTimeColumn = 1, ResultColumn = 2, IpColumn = 3, MacColumn = 4 };
    static constexpr int EntryIcon = 4;

    explicit AnalysisListModel(QObject *parent = nullptr);

    void appendEntry(const AnalysisEntry &entry);
    AnalysisEntry entry(int row) const;

    bool isAcknowledged(int row) const { return isDimmed(row); }
    // Marks or unmarks every row of this IP and MAC address pair (compared in
    // AcknowledgedSet's normal forms); returns how many rows changed.
    int setAcknowledged(const QString &ip, const QString &mac, bool acknowledged);
};
