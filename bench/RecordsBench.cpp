// The record database at scale: "netkestrel-cli records add" into an empty
// store and into one of 100,000 records (with the probes' indexes and, for
// comparison, without them), and import-sized batches of 10,000 records
// through RecordStore::writeBatch. Prints the median of each.
//   netkestrel-records-bench [BUILD_BIN_DIR]
#include "bench/BenchAddresses.h"
#include "bench/BenchMedian.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int StoreSize = 100000;
constexpr int BatchSize = 10000;
constexpr int AddRuns = 15;

using BenchAddresses::ip;
using BenchAddresses::mac;

QList<BatchItem> batch(int first, int count)
{
    QList<BatchItem> items;
    items.reserve(count);
    for (int n = first; n < first + count; ++n) {
        BatchItem item;
        item.record =
            PresetRecord::fromFields({ip(n), mac(n), QStringLiteral("host-%1").arg(n), QStringLiteral("WG")});
        items.append(item);
    }
    return items;
}

// Milliseconds of one "records add" each, of new addresses from first on.
QList<double> timeAdds(const QString &cli, const QString &folder, int first)
{
    QList<double> times;
    for (int k = 0; k < AddRuns; ++k) {
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.start(cli, {QStringLiteral("records"), QStringLiteral("add"), QStringLiteral("--ip"),
                            ip(first + k), QStringLiteral("--mac"), mac(first + k),
                            QStringLiteral("--data-dir"), folder});
        process.waitForFinished(60000);
        times.append(double(timer.nsecsElapsed()) / 1e6);
        if (process.exitCode() != 0) {
            std::fprintf(stderr, "records add failed: %s\n", process.readAllStandardError().constData());
            std::exit(1);
        }
    }
    return times;
}

double timeBatch(const RecordStore &store, const QList<BatchItem> &items, BatchOutcome *outcome)
{
    QElapsedTimer timer;
    timer.start();
    const Result<BatchOutcome> done = store.writeBatch(items);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!done) {
        std::fprintf(stderr, "batch failed: %s\n", qPrintable(done.error()));
        std::exit(1);
    }
    *outcome = *done;
    return ms;
}

void dropIndexes(const RecordStore &store)
{
    RecordStoreSession session(store);
    QSqlQuery query(session.db());
    query.exec(QStringLiteral("DROP INDEX T_Record_IPAddress"));
    query.exec(QStringLiteral("DROP INDEX T_Record_MACAddress"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString bin = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath();
    const QString cli = bin + QStringLiteral("/netkestrel-cli");
    QTemporaryDir empty, full;

    const double emptyAdd = median(timeAdds(cli, empty.path(), 1 << 30));

    const RecordStore store(full.path());
    BatchOutcome outcome;
    QElapsedTimer fill;
    fill.start();
    for (int first = 0; first < StoreSize; first += BatchSize)
        timeBatch(store, batch(first, BatchSize), &outcome);
    const double fillMs = double(fill.nsecsElapsed()) / 1e6;
    const double fullAdd = median(timeAdds(cli, full.path(), StoreSize + 1000));

    QTemporaryDir batchEmpty;
    const double batchIntoEmpty = timeBatch(RecordStore(batchEmpty.path()), batch(0, BatchSize), &outcome);
    // Half of it new, half of it already there (skipped).
    const double batchIntoFull = timeBatch(store, batch(StoreSize - BatchSize / 2, BatchSize), &outcome);
    const int added = outcome.added(), skipped = outcome.skipped();

    dropIndexes(store);
    const double fullAddNoIndex = median(timeAdds(cli, full.path(), StoreSize + 5000));
    QList<BatchItem> small = batch(2 * StoreSize, 500);
    const double batchNoIndex = timeBatch(store, small, &outcome);

    std::printf("records add, empty store:                     %8.1f ms (median of %d)\n", emptyAdd, AddRuns);
    std::printf("records add, %d records:                  %8.1f ms (median of %d)\n", StoreSize, fullAdd,
                AddRuns);
    std::printf("records add, %d records, no indexes:      %8.1f ms (median of %d)\n", StoreSize,
                fullAddNoIndex, AddRuns);
    std::printf("writeBatch %d into an empty store:         %8.1f ms\n", BatchSize, batchIntoEmpty);
    std::printf("writeBatch %d into %d (%d added, %d skipped): %8.1f ms\n", BatchSize, StoreSize, added,
                skipped, batchIntoFull);
    std::printf("writeBatch 500 into %d, no indexes:           %8.1f ms\n", StoreSize + BatchSize / 2,
                batchNoIndex);
    std::printf("filling %d records in batches of %d:       %8.1f ms\n", StoreSize, BatchSize, fillMs);
    return 0;
}
