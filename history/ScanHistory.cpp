#include "history/ScanHistory.h"

#include "history/HistoryRecorder.h"
#include "lists/ScanListModel.h"
#include "records/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

namespace ScanHistory {

namespace {

// Another process writing the kept scans of the same store is waited for
// this long; each of its scans is one transaction of at most a few seconds.
constexpr int FlushLockWaitMs = 60000;

Result<QList<ChangeEvent>> recordKept(const RecordStore &store, const KeptScan &scan)
{
    HistoryRecorder recorder(store, [time = scan.time] { return time; });
    recorder.setSite(scan.site);
    recorder.setAbsenceDays(scan.absenceDays);
    if (scan.heard)
        return recorder.recordHeard(scan.rows, scan.events);
    return recorder.record(scan.rows, scan.neighbourMacs);
}

QString writtenText(int count)
{
    return count == 1
               ? QStringLiteral("Wrote 1 scan's history kept while the store was unavailable.")
               : QStringLiteral("Wrote %1 scans' history kept while the store was unavailable.").arg(count);
}

// Writes the kept scans in order, the lock held; false when the store
// refused one (it and those after it stay kept).
bool flush(const RecordStore &store, const HistorySpool &spool, Outcome &outcome)
{
    QLockFile lock(spool.folder() + QStringLiteral("/flush.lock"));
    lock.setStaleLockTime(0); // stale only when its process is gone
    if (!lock.tryLock(FlushLockWaitMs)) {
        outcome.messages.append(QStringLiteral("The kept scans of %1 are being written by another process.")
                                    .arg(store.location()));
        return false;
    }
    bool done = true;
    for (const QString &file : spool.pending()) {
        const Result<KeptScan> scan = spool.read(file);
        if (!scan) {
            outcome.messages.append(
                QStringLiteral("A kept scan's history cannot be read (%1); it is set aside as %2.")
                    .arg(scan.error(), QDir::toNativeSeparators(spool.setAside(file))));
            continue;
        }
        if (const Result<QList<ChangeEvent>> written = recordKept(store, *scan); !written) {
            outcome.messages.append(written.error());
            done = false;
            break;
        }
        QFile::remove(file);
        ++outcome.keptWritten;
    }
    if (outcome.keptWritten > 0)
        outcome.messages.prepend(writtenText(outcome.keptWritten));
    return done;
}

} // namespace

QList<ScanRow> rowsOf(const ScanListModel &list)
{
    QList<ScanRow> rows;
    rows.reserve(list.count());
    for (int row = 0; row < list.count(); ++row)
        rows.append(list.scanRow(row));
    return rows;
}

KeptScan completed(const QList<ScanRow> &rows, const QHash<QString, QString> &neighbourMacs,
                   const QString &site, const HistoryTime::Clock &clock)
{
    // The recorder and the kept file take the time to the second.
    KeptScan scan;
    scan.time = clock().toUTC();
    scan.site = HistoryRecorder::siteOrDefault(site);
    scan.absenceDays = HistoryRecorder::DefaultAbsenceDays;
    scan.rows.reserve(rows.size());
    for (const ScanRow &row : rows) {
        if (!row.isMarker() && !row.ipAddress.trimmed().isEmpty() && !row.macAddress.trimmed().isEmpty())
            scan.rows.append(row);
    }
    scan.neighbourMacs = neighbourMacs;
    return scan;
}

Outcome write(const RecordStore &store, const KeptScan &scan)
{
    Outcome outcome;
    const HistorySpool spool(store);
    const bool earlierWritten = spool.pending().isEmpty() || flush(store, spool, outcome);
    if (earlierWritten) {
        Result<QList<ChangeEvent>> written = recordKept(store, scan);
        if (written) {
            outcome.events = std::move(*written);
            return outcome;
        }
        outcome.messages.append(written.error());
    }
    if (const Result<> kept = spool.keep(scan); !kept) {
        outcome.fate = Outcome::Fate::Lost;
        outcome.messages.append(
            QStringLiteral("The history of this scan could not be kept either (%1).").arg(kept.error()));
        return outcome;
    }
    outcome.fate = Outcome::Fate::Kept;
    outcome.messages.append(
        QStringLiteral("The history of this scan is kept in %1 until the store can take it.")
            .arg(QDir::toNativeSeparators(spool.folder())));
    return outcome;
}

Outcome recordScan(const RecordStore &store, const ScanListModel &list,
                   const QHash<QString, QString> &neighbourMacs, const QString &site,
                   const HistoryTime::Clock &clock)
{
    return write(store, completed(rowsOf(list), neighbourMacs, site, clock));
}

} // namespace ScanHistory
