#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "ChangeEvent.h"
#include "HistoryTime.h"
#include "Result.h"

class RecordStore;
class ScanListModel;
struct ScanRow;

// What every front end does when a scan completes: the rows of the scan list
// go into the host history of the record store the front end uses (the data
// folder's file or a server), the same store its records come from, tagged
// with the front end's site (blank: the machine's host name).
namespace ScanHistory {

QList<ScanRow> rowsOf(const ScanListModel &list);

Result<QList<ChangeEvent>> recordScan(const RecordStore &store, const ScanListModel &list,
                                      const QHash<QString, QString> &neighbourMacs, const QString &site = {},
                                      const HistoryTime::Clock &clock = HistoryTime::systemClock());

} // namespace ScanHistory
