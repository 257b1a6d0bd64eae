#include "cli/AnalyzeCommand.h"

#include "analysis/Analyzer.h"
#include "cli/AnalysisInputs.h"
#include "cli/AnalysisSession.h"
#include "cli/CommandLine.h"
#include "cli/CompletedScan.h"
#include "cli/ConsolePrompt.h"
#include "cli/FindingPrinter.h"
#include "cli/ScanOptions.h"
#include "cli/SiteOption.h"
#include "cli/TableOrJsonOption.h"
#include "export/ScanResultReader.h"
#include "history/HistoryRecorder.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "platform/StopSignals.h"
#include "scan/ScanRun.h"
#include "scan/VendorResolver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

constexpr int FindingsStatus = 3;
constexpr int StoppedStatus = 130;

struct ScanEnd
{
    std::optional<int> exitStatus; // the scan failed or was stopped
    bool historyLost = false;      // the completed scan could neither be written nor kept
};

// Runs the scan to its end. A completed scan goes into the host history.
ScanEnd scanInto(const CommandLine &command, ScanListModel &list, const ScanOptions &options,
                 const QString &dataFolder, const RecordStore &store, const QString &site)
{
    const VendorResolver vendors(dataFolder);
    ScanRun run(&list);
    QObject::connect(&run, &ScanRun::startFailed, &ConsolePrompt::print);
    options.configure(run, vendors);

    bool stopped = false;
    StopSignals signals_;
    QObject::connect(&signals_, &StopSignals::stopRequested, &run, [&](int count) {
        stopped = true;
        if (count > 1)
            QCoreApplication::exit(StoppedStatus);
        run.stop();
    });
    bool completed = false;
    QObject::connect(&run, &ScanRun::finished, [&](const QString &completion) {
        completed = !completion.isEmpty();
        if (completed)
            std::fprintf(stderr, "%s\n", qPrintable(completion));
        QCoreApplication::quit();
    });
    // From the loop: a start that fails at once quits a loop that is running.
    QMetaObject::invokeMethod(
        &run, [&] { run.start(options.range()); }, Qt::QueuedConnection);
    const int loopStatus = QCoreApplication::exec();
    if (stopped || loopStatus != 0)
        return {StoppedStatus, false};
    if (!completed)
        return {CommandLine::FailureStatus, false};
    return {std::nullopt, CompletedScan::record(command, store, list, run, site).lost};
}

} // namespace

void addAnalysisSourceOptions(QCommandLineParser &parser)
{
    ScanOptions::addTo(parser,
                       QStringLiteral("The data folder: the records, the stored analysis options (and a "
                                      "vendor data file of your own)."));
    parser.addOption({QStringLiteral("scan-file"),
                      QStringLiteral("Analyse the rows of this scan result file instead of scanning."),
                      QStringLiteral("F")});
    AnalysisInputs::addOptions(parser);
    SiteOption::addForWriting(parser);
}

AnalysisOutcome analyseInto(const CommandLine &command, const QCommandLineParser &parser,
                            AnalysisListModel &analysisList)
{
    AnalysisSession session;
    if (const auto failed = session.readScanOptions(command, parser, AnalysisSession::Source::ScanOrFile))
        return AnalysisOutcome::endedWith(*failed);
    if (const auto failed = session.open(command, parser))
        return AnalysisOutcome::endedWith(*failed);

    ScanListModel scanList;
    if (session.fromFile()) {
        const ScanResultReader::ReadOutcome read =
            ScanResultReader::readFile(parser.value(QStringLiteral("scan-file")));
        if (!read.ok())
            return AnalysisOutcome::endedWith(command.failure(read.error));
        for (const ScanRow &row : read.rows)
            scanList.appendScanRow(row);
    }

    RecordListModel records;
    if (const Result<> loaded = session.inputs().loadRecords(records); !loaded)
        return AnalysisOutcome::endedWith(command.failure(loaded.error()));

    bool historyLost = false;
    if (!session.fromFile()) {
        const ScanEnd scanned = scanInto(command, scanList, session.scanOptions(), session.dataFolder(),
                                         session.inputs().store(), session.site());
        if (scanned.exitStatus)
            return AnalysisOutcome::endedWith(*scanned.exitStatus);
        historyLost = scanned.historyLost;
    }

    Analyzer analyzer(&scanList, &records, &analysisList);
    session.configure(analyzer);
    analyzer.AnalyzeAll();
    AnalysisOutcome outcome;
    outcome.dataFolder = session.dataFolder();
    outcome.server = session.inputs().store().server();
    outcome.incomplete = historyLost || session.inputs().acknowledgementsUnread();
    return outcome;
}

int runAnalyzeCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("analyze"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Scans an address range, or reads a scan result file, and analyses the rows against the records.\n"
        "Prints one finding a line: date/time, a tab, the finding, and \" (acknowledged)\" after a finding\n"
        "acknowledged with netkestrel-cli ack. Exit status: 0 no findings (or only acknowledged ones),\n"
        "3 findings, 1 failure (also when the acknowledgements could not be read), 2 bad usage."));
    parser.addHelpOption();
    addAnalysisSourceOptions(parser);
    TableOrJsonOption::addFormat(parser, QStringLiteral("a finding"));
    if (const auto done = command.parse(parser, arguments))
        return *done;
    const Result<TableOrJsonOption::Format> format = TableOrJsonOption::readFormat(parser);
    if (!format)
        return command.usageError(format.error());

    AnalysisListModel analysisList;
    const AnalysisOutcome analysed = analyseInto(command, parser, analysisList);
    if (analysed.exitStatus)
        return *analysed.exitStatus;
    const Result<QString> site = SiteOption::read(parser);
    FindingPrinter(analysisList, stdout,
                   *format == TableOrJsonOption::Format::Json ? FindingPrinter::Format::Json
                                                              : FindingPrinter::Format::Table,
                   site && !site->isEmpty() ? *site : HistoryRecorder::defaultSite())
        .printRows(0, analysisList.count() - 1);
    // A finding shown as new only because its acknowledgement could not be
    // read is no reason to alarm; the failure is.
    if (analysed.incomplete)
        return CommandLine::FailureStatus;
    for (int row = 0; row < analysisList.count(); ++row) {
        if (!analysisList.isAcknowledged(row))
            return FindingsStatus;
    }
    return 0;
}
