#pragma once

#include "AnalysisEntry.h"
#include "ListModel.h"

// The analysis list: columns "", "Date/Time", "Result", no check boxes. Rows
// are only appended at the bottom or cleared all together.
class AnalysisListModel : public ListModel
{
    Q_OBJECT

public:
    enum Column { IconColumn = 0, DateTimeColumn = 1, ResultColumn = 2 };
    static constexpr int EntryIcon = 4;

    explicit AnalysisListModel(QObject *parent = nullptr);

    void appendEntry(const AnalysisEntry &entry);
    AnalysisEntry entry(int row) const;
};
