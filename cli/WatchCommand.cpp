#include "WatchCommand.h"

#include "AnalysisInputs.h"
#include "AnalysisListModel.h"
#include "Analyzer.h"
#include "AutoScanController.h"
#include "CommandLine.h"
#include "ConsolePrompt.h"
#include "DataFolder.h"
#include "FindingPrinter.h"
#include "RecordListModel.h"
#include "ScanListModel.h"
#include "ScanOptions.h"
#include "ScanRun.h"
#include "StopSignals.h"
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
        "until SIGINT or SIGTERM. Prints the findings as they come: date/time, a tab, the finding."));
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

    if (const auto done = command.parse(parser, arguments))
        return *done;

    QString error;
    ScanOptions scanOptions;
    if (!scanOptions.readMethod(parser, &error) || !scanOptions.readRangeAndPacing(parser, &error))
        return command.usageError(error);
    std::optional<int> every;
    if (parser.isSet(QStringLiteral("every"))) {
        every = AnalysisOptions::parseMinutes(parser.value(QStringLiteral("every")));
        if (!every)
            return command.usageError(QStringLiteral("--every takes one of %1, not \"%2\".")
                                          .arg(offeredMinutesText(), parser.value(QStringLiteral("every"))));
    }

    const QString dataFolder = DataFolder::resolve(scanOptions.dataDir());
    if (const Result<> checked = AnalysisInputs::checkOptions(parser); !checked)
        return command.usageError(checked.error());
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
    AutoScanController controller(&run, &analyzer, [&] { return run.start(scanOptions.range()); });
    controller.setMinutes(every.value_or(inputs.stored().mins));

    FindingPrinter printer(analysisList, stdout);
    QObject::connect(&analysisList, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex &, int first, int last) { printer.printRows(first, last); });

    // Records edited between two steps count from the next step on; when they
    // cannot be read, the step uses those it had.
    QObject::connect(&controller, &AutoScanController::stepStarted, [&] {
        if (const Result<> loaded = inputs.loadRecords(records); !loaded)
            std::fprintf(stderr, "netkestrel-cli watch: %s\n", qPrintable(loaded.error()));
    });

    bool stopping = false;
    QObject::connect(&controller, &AutoScanController::stepFinished,
                     [&](bool, const QString &completion, int) {
                         if (!completion.isEmpty())
                             std::fprintf(stderr, "%s\n", qPrintable(completion));
                         // Printed already; a watch that runs for months keeps no findings.
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
    return QCoreApplication::exec();
}
