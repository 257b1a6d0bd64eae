#include "AnalysisListModel.h"

AnalysisListModel::AnalysisListModel(QObject *parent)
    : ListModel({QString(), QStringLiteral("Date/Time"), QStringLiteral("Result")}, false, parent)
{
}

void AnalysisListModel::appendEntry(const AnalysisEntry &entry)
{
    ListRow row;
    row.cells = {QString(), entry.dateTime, entry.result};
    row.iconIndex = EntryIcon;
    appendRow(std::move(row));
}

AnalysisEntry AnalysisListModel::entry(int row) const
{
    return {text(row, DateTimeColumn), text(row, ResultColumn)};
}
