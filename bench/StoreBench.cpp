// The record store on both engines in the same run: an import of 10,000
// records into an empty store, as "netkestrel-cli records import --match ip
// --on-duplicate skip" writes them, then one of 10,000 more, half of them
// duplicates, into that store as it is then, and the analysis of a 65,536-row scan
// against 20,000 records with the options, records and acknowledgements read
// from the store, as "netkestrel-cli analyze" reads them. The PostgreSQL
// server is a private one (initdb into a temporary folder, a Unix socket
// only), stopped by its PID at the end. Prints the median of each task per
// engine and the ratio PostgreSQL/SQLite.
//   netkestrel-store-bench [RUNS]
#include "analysis/AnalysisOptionsStore.h"
#include "analysis/Analyzer.h"
#include "bench/BenchAddresses.h"
#include "bench/BenchMedian.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "records/AcknowledgementStore.h"
#include "records/RecordStore.h"
#include "sheets/SheetImport.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/ScriptedPrompt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int ImportSize = 10000;
constexpr int RecordCount = 20000;
constexpr int ScanSize = 65536;

using BenchAddresses::ip;
using BenchAddresses::mac;

[[noreturn]] void die(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

// Rows of a workbook: the four columns a scan fills and a comment.
QList<PresetRecord> sheetRows(int first, int count)
{
    QList<PresetRecord> rows;
    rows.reserve(count);
    for (int n = first; n < first + count; ++n)
        rows.append(PresetRecord::fromFields({ip(n), mac(n), QStringLiteral("host-%1").arg(n),
                                              QStringLiteral("WG"), QString(), QStringLiteral("IT"),
                                              QString(), QString(), QStringLiteral("imported")}));
    return rows;
}

// A /16 where every address answers; the records hold the first RecordCount
// of them, every tenth with another MAC, so that the analysis has findings.
QList<ScanRow> scanRows()
{
    QList<ScanRow> rows;
    rows.reserve(ScanSize);
    for (int n = 0; n < ScanSize; ++n) {
        ScanRow row;
        row.number = QString::number(n + 1);
        row.ipAddress = ip(n);
        row.macAddress = mac(n % 10 == 0 ? 0x01000000 + n : n);
        row.hostName = QStringLiteral("HOST-%1").arg(n);
        row.workgroup = QStringLiteral("WG");
        rows.append(row);
    }
    return rows;
}

double timeMs(const std::function<void()> &task)
{
    QElapsedTimer timer;
    timer.start();
    task();
    return double(timer.nsecsElapsed()) / 1e6;
}

// A new empty store of the engine, its tables made.
using StoreMaker = std::function<RecordStore()>;

// The times of the import into the new store and of the second one.
std::pair<double, double> importMs(const StoreMaker &make)
{
    RecordStore store = make();
    if (const Result<> ready = store.prepare(); !ready)
        die(ready.error());
    ScriptedPrompt prompt;
    SheetImport sheetImport(store, prompt);
    const auto timedImport = [&](int first, int expected) {
        const QList<PresetRecord> rows = sheetRows(first, ImportSize);
        SheetImport::Outcome outcome;
        const double ms = timeMs([&] {
            outcome = sheetImport.run(rows, BatchItem::MatchBy::IpAddress, SheetImport::OnDuplicate::Skip);
        });
        if (outcome.failed || outcome.count != expected)
            die(QStringLiteral("the import failed: %1").arg(prompt.lastRequest().text));
        return ms;
    };
    const double intoEmpty = timedImport(0, ImportSize);
    return {intoEmpty, timedImport(ImportSize / 2, ImportSize / 2)};
}

int analyse(const RecordStore &store, const QList<ScanRow> &rows)
{
    const Result<AnalysisOptions> stored = AnalysisOptionsStore(store).LoadAnalysisOptions();
    if (!stored)
        die(stored.error());
    const Result<QList<PresetRecord>> records = store.loadAll();
    if (!records)
        die(records.error());
    RecordListModel recordList;
    recordList.setRecords(*records);
    ScanListModel scanList;
    scanList.appendScanRows(rows);
    AnalysisListModel analysisList;
    Analyzer analyzer(&scanList, &recordList, &analysisList);
    Analyzer::Options options;
    options.checks.analyzeMac = stored->analyzeMac;
    options.checks.analyzeIp = stored->analyzeIp;
    analyzer.setOptions(options);
    analyzer.setAcknowledgementSource([&store](const QDateTime &at) {
        const Result<AcknowledgedSet> active = AcknowledgementStore(store).activeAt(at);
        if (!active)
            die(active.error());
        return *active;
    });
    return analyzer.AnalyzeAll();
}

// A store of RecordCount records with both checks stored, ready to analyse.
RecordStore analysedStore(const StoreMaker &make)
{
    RecordStore store = make();
    QList<BatchItem> items;
    for (const PresetRecord &record : sheetRows(0, RecordCount))
        items.append(BatchItem{record});
    if (const Result<BatchOutcome> filled = store.writeBatch(items); !filled)
        die(filled.error());
    AnalysisOptions options;
    options.analyzeMac = true;
    options.analyzeIp = true;
    if (const Result<> saved = AnalysisOptionsStore(store).SaveAnalysisOptions(options); !saved)
        die(saved.error());
    return store;
}

struct Figures
{
    QList<double> imports;
    QList<double> secondImports;
    QList<double> analyses;
    int findings = 0;
};

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    if (const QString reason = PostgresServer::unavailableReason(); !reason.isEmpty())
        die(QStringLiteral("no PostgreSQL here: %1").arg(reason));
    PostgresServer server;
    if (const Result<> started = server.start(); !started)
        die(started.error());

    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    const StoreMaker onFile = [&folders] {
        folders.push_back(std::make_unique<QTemporaryDir>());
        return RecordStore(folders.back()->path());
    };
    const StoreMaker onServer = [&server, &folders] {
        const Result<QString> database = server.createDatabase();
        if (!database)
            die(database.error());
        folders.push_back(std::make_unique<QTemporaryDir>());
        return RecordStore(folders.back()->path(), server.databaseUrl(*database));
    };

    // The engines take turns, so that the load of a shared machine falls on
    // both alike.
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    Figures sqlite, postgres;
    for (int run = 0; run < runs; ++run) {
        for (auto [figures, make] : {std::pair{&sqlite, &onFile}, std::pair{&postgres, &onServer}}) {
            const auto [intoEmpty, second] = importMs(*make);
            figures->imports.append(intoEmpty);
            figures->secondImports.append(second);
        }
    }
    const RecordStore sqliteStore = analysedStore(onFile), postgresStore = analysedStore(onServer);
    const QList<ScanRow> rows = scanRows();
    for (int run = 0; run < runs; ++run) {
        sqlite.analyses.append(timeMs([&] { sqlite.findings = analyse(sqliteStore, rows); }));
        postgres.analyses.append(timeMs([&] { postgres.findings = analyse(postgresStore, rows); }));
    }
    if (sqlite.findings != postgres.findings)
        die(QStringLiteral("the engines disagree: %1 and %2 findings")
                .arg(sqlite.findings)
                .arg(postgres.findings));

    std::printf("median of %d runs each              SQLite   PostgreSQL   ratio\n", runs);
    const double imports[] = {median(sqlite.imports), median(postgres.imports)};
    const double secondImports[] = {median(sqlite.secondImports), median(postgres.secondImports)};
    const double analyses[] = {median(sqlite.analyses), median(postgres.analyses)};
    std::printf("import of %d records:       %9.1f ms %9.1f ms %6.2f\n", ImportSize, imports[0], imports[1],
                imports[1] / imports[0]);
    std::printf("and %d more, half known:    %9.1f ms %9.1f ms %6.2f\n", ImportSize, secondImports[0],
                secondImports[1], secondImports[1] / secondImports[0]);
    std::printf("analysis, %d rows, %d records: %6.1f ms %9.1f ms %6.2f  (%d findings)\n", ScanSize,
                RecordCount, analyses[0], analyses[1], analyses[1] / analyses[0], sqlite.findings);
    std::printf("load average after:  %s\n", qPrintable(loadAverage()));
    return 0;
}
