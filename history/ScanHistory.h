#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "history/ChangeEvent.h"
#include "history/HistorySpool.h"
#include "history/HistoryTime.h"

class RecordStore;
class ScanListModel;
struct ScanRow;

// What every front end does when a scan completes: the rows of the scan list
// go into the host history of the record store the front end uses (the data
// folder's file or a server), the same store its records come from, tagged
// with the front end's site (blank: the machine's host name). A history the
// store cannot take is kept in the data folder (HistorySpool) and written,
// in the order the scans completed, before the next scan's.
namespace ScanHistory {

// What became of a completed scan's history.
struct Outcome
{
    enum class Fate {
        Written, // in the store, with the scans kept before it
        Kept,    // in the data folder, to be written later
        Lost     // neither: the messages say why
    };
    Fate fate = Fate::Written;
    QList<ChangeEvent> events; // the scan's own, when written
    int keptWritten = 0;       // scans kept earlier and written first
    QStringList messages;      // for the user, in the order things happened
};

QList<ScanRow> rowsOf(const ScanListModel &list);

// The completed scan as the history needs it, at the clock's time.
KeptScan completed(const QList<ScanRow> &rows, const QHash<QString, QString> &neighbourMacs,
                   const QString &site = {}, const HistoryTime::Clock &clock = HistoryTime::systemClock());

// Writes the scans kept for the store, oldest first, then this one. When the
// store cannot take them this one joins the kept scans, so that the order
// holds. Runs on the caller's thread.
Outcome write(const RecordStore &store, const KeptScan &scan);

Outcome recordScan(const RecordStore &store, const ScanListModel &list,
                   const QHash<QString, QString> &neighbourMacs, const QString &site = {},
                   const HistoryTime::Clock &clock = HistoryTime::systemClock());

} // namespace ScanHistory
