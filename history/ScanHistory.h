#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "ChangeEvent.h"
#include "HistoryTime.h"
#include "Result.h"

class ScanListModel;
struct ScanRow;

// What every front end does when a scan completes: the rows of the scan list
// go into the host history of the data folder's record database.
namespace ScanHistory {

QList<ScanRow> rowsOf(const ScanListModel &list);

Result<QList<ChangeEvent>> recordScan(const QString &dataFolder, const ScanListModel &list,
                                      const QHash<QString, QString> &neighbourMacs,
                                      const HistoryTime::Clock &clock = HistoryTime::systemClock());

} // namespace ScanHistory
