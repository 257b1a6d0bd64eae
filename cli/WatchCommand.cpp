#include "WatchCommand.h"

#include "AnalysisInputs.h"
#include "AnalysisListModel.h"
#include "Analyzer.h"
#include "AutoScanController.h"
#include "CommandLine.h"
#include "CompletedScan.h"
#include "ConsolePrompt.h"
#include "DailyReport.h"
#include "DataFolder.h"
#include "FindingPrinter.h"
#include "HistoryRecorder.h"
#include "RecordListModel.h"
#include "ReportOptions.h"
#include "ScanListModel.h"
#include "ScanOptions.h"
#include "ScanRun.h"
#include "SiteOption.h"
#include "StopSignals.h"
#include "TableOrJsonOption.h"
#include "VendorResolver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

QString offeredMinutesText()
{
    QStringList texts;
    for (int minutes : AnalysisOptions::offeredMinutes())
        texts.append(QString::number(minutes));
    return texts.join(QLatin1String(", "));
}

} // namespace

int runWatchCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("watch"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Scans an address range and analyses it against the records, at once and then every N minutes,\n"
        "until SIGINT or SIGTERM. Prints the findings as they come: date/time, a tab, the finding;\n"
        "after each scan its change events against the host history the same way."));
    parser.addHelpOption();
    ScanOptions::addTo(parser,
                       QStringLiteral("The data folder: the records, the stored analysis options (and a "
                                      "vendor data file of your own)."));
    parser.addOption({QStringLiteral("every"),
                      QStringLiteral("Minutes from the end of one step to the start of the next: one of %1 "
                                     "(default from the stored options).")
                          .arg(offeredMinutesText()),
                      QStringLiteral("MINUTES")});
    AnalysisInputs::addOptions(parser);
    parser.addOption(
        {QStringLiteral("report"),
         QStringLiteral("Mail the daily report of the findings at the hour and minute of the stored\n"
                        "report settings (the flags below override them).")});
    ReportOptions::addTo(parser);
    TableOrJsonOption::addFormat(parser, QStringLiteral("a finding or change event"));
    SiteOption::addForWriting(parser);

    if (const auto done = command.parse(parser, arguments))
        return *done;

    const Result<TableOrJsonOption::Format> format = TableOrJsonOption::readFormat(parser);
    if (!format)
        return command.usageError(format.error());
    const bool json = *format == TableOrJsonOption::Format::Json;

    ScanOptions scanOptions;
    if (const Result<> method = scanOptions.readMethod(parser); !method)
        return command.usageError(method.error());
    if (const Result<> range = scanOptions.readRangeAndPacing(parser); !range)
        return command.usageError(range.error());
    std::optional<int> every;
    if (parser.isSet(QStringLiteral("every"))) {
        every = AnalysisOptions::parseMinutes(parser.value(QStringLiteral("every")));
        if (!every)
            return command.usageError(QStringLiteral("--every takes one of %1, not \"%2\".")
                                          .arg(offeredMinutesText(), parser.value(QStringLiteral("every"))));
    }

    const bool reporting = parser.isSet(QStringLiteral("report"));
    ReportSettings reportSettings = reporting ? ReportSettings::load() : ReportSettings{};
    if (const Result<> applied = ReportOptions::apply(parser, &reportSettings); !applied)
        return command.usageError(applied.error());
    reportSettings.isSend = reporting;

    const QString dataFolder = DataFolder::resolve(scanOptions.dataDir());
    if (const Result<> checked = AnalysisInputs::checkOptions(parser); !checked)
        return command.usageError(checked.error());
    const Result<QString> site = SiteOption::read(parser);
    if (!site)
        return command.usageError(site.error());
    AnalysisInputs inputs(dataFolder);
    if (const Result<> read = inputs.read(parser); !read)
        return command.failure(read.error());

    const VendorResolver vendors(dataFolder);
    ScanListModel scanList;
    RecordListModel records;
    AnalysisListModel analysisList;
    ScanRun run(&scanList);
    QObject::connect(&run, &ScanRun::startFailed, &ConsolePrompt::print);
    scanOptions.configure(run, vendors);
    Analyzer analyzer(&scanList, &records, &analysisList);
    analyzer.setOptions(inputs.analyzerOptions());
    analyzer.setAcknowledgementSource(inputs.acknowledgements());
    AutoScanController controller(&run, &analyzer, [&] { return run.start(scanOptions.range()); });
    controller.setMinutes(every.value_or(inputs.stored().mins));

    FindingPrinter printer(analysisList, stdout,
                           json ? FindingPrinter::Format::Json : FindingPrinter::Format::Table,
                           site->isEmpty() ? HistoryRecorder::defaultSite() : *site);
    QObject::connect(&analysisList, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex &, int first, int last) { printer.printRows(first, last); });

    // Records edited between two steps count from the next step on; when they
    // cannot be read, the step uses those it had.
    QObject::connect(&controller, &AutoScanController::stepStarted, [&] {
        if (const Result<> loaded = inputs.loadRecords(records); !loaded)
            std::fprintf(stderr, "netkestrel-cli watch: %s\n", qPrintable(loaded.error()));
    });

    // The report covers the findings since the last one.
    DailyReport report(analysisList, dataFolder);
    report.setServer(inputs.store().server());
    report.setSite(*site);
    report.setSettings(reportSettings);
    QObject::connect(&report, &DailyReport::status,
                     [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    QObject::connect(&report, &DailyReport::reportFinished, [&](bool, const QString &outcome) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome));
        analysisList.clear();
    });

    bool historyLost = false; // a scan's history neither written nor kept: the exit status says so
    const auto recordScan = [&] {
        CompletedScan::Recorded recorded =
            CompletedScan::record(command, inputs.store(), scanList, run, *site);
        historyLost = historyLost || recorded.lost;
        return recorded.events;
    };
    bool stopping = false;
    QObject::connect(&controller, &AutoScanController::stepFinished,
                     [&](bool, const QString &completion, int) {
                         if (!completion.isEmpty()) {
                             std::fprintf(stderr, "%s\n", qPrintable(completion));
                             CompletedScan::printChanges(stdout, recordScan(), json);
                         }
                         // Printed already; a watch that runs for months keeps no findings,
                         // or only those of the day's report.
                         if (!reporting)
                             analysisList.clear();
                         if (stopping)
                             QCoreApplication::quit();
                     });

    StopSignals signals_;
    QObject::connect(&signals_, &StopSignals::stopRequested, &controller, [&](int count) {
        stopping = true;
        controller.setAutoScan(false);
        if (!controller.isStepRunning()) {
            QCoreApplication::quit();
            return;
        }
        if (count > 1)
            QCoreApplication::exit(130);
        run.stop();
    });

    controller.setAutoScan(true);
    controller.ArTimer_Timer();
    const int status = QCoreApplication::exec();
    return status == 0 && historyLost ? CommandLine::FailureStatus : status;
}
