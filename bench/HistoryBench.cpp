// The host history at scale: a completed scan of 65,536 rows into an empty
// history, the same scan again (every pair known), and again with a tenth of
// the addresses answered by new MACs; then a history of 1,000,000 pairs, a
// 65,536-row scan against it, and the query for one MAC and for one IP
// (median of many, each with its own connection as the commands open one).
//   netkestrel-history-bench [--scans-only] [--postgresql]
// --scans-only stops after the three scans into the small history (for a
// profiler's view of the update alone). --postgresql runs it all on a
// PostgreSQL server of its own (a socket in a temporary folder) instead of
// the SQLite file.
#include "bench/BenchAddresses.h"
#include "bench/BenchMedian.h"
#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryTime.h"
#include "lists/ScanRow.h"
#include "platform/ProcessMemory.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"
#include "tests/support/PostgresServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int ScanSize = 65536;
constexpr int HistorySize = 1000000;
constexpr int QueryRuns = 51;

using BenchAddresses::ip;
using BenchAddresses::mac;

// A /16 scan: every address answers; from `flipFrom` on, MACs from macBase on.
QList<ScanRow> scanRows(int macBase, int flipFrom = ScanSize)
{
    QList<ScanRow> rows;
    rows.reserve(ScanSize);
    for (int n = 0; n < ScanSize; ++n) {
        ScanRow row;
        row.number = QString::number(n + 1);
        row.ipAddress = ip(n);
        row.macAddress = mac(n < flipFrom ? n : macBase + n);
        row.hostName = QStringLiteral("HOST-%1").arg(n);
        row.workgroup = QStringLiteral("WG");
        row.vendor = QStringLiteral("Vendor");
        rows.append(row);
    }
    return rows;
}

double timeScan(const RecordStore &store, const QList<ScanRow> &rows, const QDateTime &when,
                qsizetype *events)
{
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu = std::clock();
    const Result<QList<ChangeEvent>> done = HistoryRecorder(store, [when] { return when; }).record(rows);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  [%.0f ms of processor time] ", double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    if (!done) {
        std::fprintf(stderr, "%s\n", qPrintable(done.error()));
        std::exit(1);
    }
    *events = done->size();
    return ms;
}

// Pairs beyond the scanned /16, written straight into the table.
bool fillHistory(const RecordStore &store, int pairs)
{
    RecordStoreSession session(store);
    if (!session.isOpen() || !session.beginWrite())
        return false;
    QSqlQuery insert(session.db());
    insert.prepare(
        QStringLiteral("INSERT INTO T_History (Site, IPAddress, MACAddress, FirstSeen, LastSeen, ScanCount, "
                       "HostName, Workgroup, Vendor) VALUES (?, ?, ?, ?, ?, 1, ?, 'WG', 'Vendor')"));
    const QString seen = QStringLiteral("2026-01-01T00:00:00Z");
    for (int n = ScanSize; n < ScanSize + pairs; ++n) {
        insert.addBindValue(HistoryRecorder::defaultSite());
        insert.addBindValue(ip(n));
        insert.addBindValue(mac(0x10000000 + n));
        insert.addBindValue(seen);
        insert.addBindValue(seen);
        insert.addBindValue(QStringLiteral("HOST-%1").arg(n));
        if (!insert.exec())
            return false;
    }
    return bool(session.commit());
}

double medianQueryMs(const RecordStore &store, const HistoryReader::Filter &filter, qsizetype *found)
{
    QList<double> times;
    for (int run = 0; run < QueryRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const Result<QList<HistoryEntry>> entries = HistoryReader(store).entries(filter);
        times.append(double(timer.nsecsElapsed()) / 1e6);
        *found = entries ? entries->size() : -1;
    }
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    ProcessMemory::keepFreedMemoryForReuse(); // as the program's own processes do
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    PostgresServer server;
    std::optional<DatabaseUrl> url;
    if (app.arguments().contains(QLatin1String("--postgresql"))) {
        const Result<> started = server.start();
        const Result<QString> database = started ? server.createDatabase()
                                                 : Result<QString>(Failure{started.error()});
        if (!database) {
            std::fprintf(stderr, "no server: %s\n", qPrintable(database.error()));
            return 1;
        }
        url = server.databaseUrl(*database);
    }
    const RecordStore store(dir.path(), url);
    if (!store.prepare()) {
        std::fprintf(stderr, "no database\n");
        return 1;
    }
    const QDateTime day(QDate(2026, 6, 1), QTime(8, 0), Qt::UTC);
    qsizetype events = 0;

    double ms = timeScan(store, scanRows(0), day, &events);
    std::printf("scan of %d rows into an empty history: %.0f ms (%lld events)\n", ScanSize, ms,
                (long long)events);
    ms = timeScan(store, scanRows(0), day.addDays(1), &events);
    std::printf("the same scan again, every pair known:  %.0f ms (%lld events)\n", ms, (long long)events);
    ms = timeScan(store, scanRows(0x01000000, ScanSize - ScanSize / 10), day.addDays(2), &events);
    std::printf("a tenth of the addresses on new MACs:   %.0f ms (%lld events)\n", ms, (long long)events);

    if (app.arguments().contains(QLatin1String("--scans-only")))
        return 0;

    QElapsedTimer fill;
    fill.start();
    if (!fillHistory(store, HistorySize - ScanSize - ScanSize / 10)) {
        std::fprintf(stderr, "could not fill the history\n");
        return 1;
    }
    std::printf("history filled to %d pairs in %.1f s\n", HistorySize, double(fill.elapsed()) / 1000);

    ms = timeScan(store, scanRows(0), day.addDays(3), &events);
    std::printf("scan of %d rows against %d pairs:     %.0f ms (%lld events)\n", ScanSize, HistorySize, ms,
                (long long)events);

    qsizetype found = 0;
    ms = medianQueryMs(store, {QString(), mac(0x10000000 + 500000), std::nullopt}, &found);
    std::printf("query for one MAC at %d pairs:        %.2f ms median (%lld pairs)\n", HistorySize, ms,
                (long long)found);
    ms = medianQueryMs(store, {ip(1000), QString(), std::nullopt}, &found);
    std::printf("query for one IP at %d pairs:         %.2f ms median (%lld pairs)\n", HistorySize, ms,
                (long long)found);
    return 0;
}
