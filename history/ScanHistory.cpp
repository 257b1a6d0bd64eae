#include "ScanHistory.h"

#include "HistoryRecorder.h"
#include "RecordStore.h"
#include "ScanListModel.h"

namespace ScanHistory {

QList<ScanRow> rowsOf(const ScanListModel &list)
{
    QList<ScanRow> rows;
    rows.reserve(list.count());
    for (int row = 0; row < list.count(); ++row)
        rows.append(list.scanRow(row));
    return rows;
}

Result<QList<ChangeEvent>> recordScan(const RecordStore &store, const ScanListModel &list,
                                      const QHash<QString, QString> &neighbourMacs, const QString &site,
                                      const HistoryTime::Clock &clock)
{
    HistoryRecorder recorder(store, clock);
    recorder.setSite(site);
    return recorder.record(rowsOf(list), neighbourMacs);
}

} // namespace ScanHistory
