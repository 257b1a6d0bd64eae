#include "tools/ProposedTarget.h"

#include "lists/ScanListModel.h"
#include "lists/ScanRow.h"
#include "platform/Prompt.h"

QString proposedTarget(const ListModel &scanList, Prompt &prompt)
{
    const int row = scanList.currentRow();
    if (row < 0 || row >= scanList.count())
        return {};
    if (scanList.text(row, ScanListModel::MacColumn) == QLatin1String(ScanRow::NonRespondedMarker))
        prompt.notice(QStringLiteral("Selected Item is 'Non-Responded IP'"));
    return scanList.text(row, ScanListModel::IpColumn);
}
