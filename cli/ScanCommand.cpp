#include "cli/ScanCommand.h"

#include "cli/CommandLine.h"
#include "cli/CompletedScan.h"
#include "cli/ConsolePrompt.h"
#include "cli/DataDirOption.h"
#include "cli/DatabaseOption.h"
#include "cli/ScanOptions.h"
#include "cli/ScanRowPrinter.h"
#include "cli/SiteOption.h"
#include "export/ScanResultFile.h"
#include "lists/ScanListModel.h"
#include "platform/PhaseTiming.h"
#include "platform/StopSignals.h"
#include "records/RecordStore.h"
#include "scan/ScanRun.h"
#include "scan/VendorResolver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {
} // namespace

int runScanCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("scan"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Scans an address range and lists the hosts that answer."));
    parser.addHelpOption();
    ScanOptions::addTo(parser, QStringLiteral("The data folder (vendor data file of your own)."));
    parser.addOption(
        {QStringLiteral("format"),
         QStringLiteral("table (default); kst: the lines of a scan result file; json: one JSON object a "
                        "host. With kst and json the completion text goes to standard error."),
         QStringLiteral("table|kst|json"), QStringLiteral("table")});
    parser.addOption({QStringLiteral("output"),
                      QStringLiteral("Also save the rows of the scan as a scan result file (.kst); an "
                                     "existing file is replaced once the new one is written whole."),
                      QStringLiteral("FILE")});
    DatabaseOption::addTo(parser);
    SiteOption::addForWriting(parser);
    if (const auto done = command.parse(parser, arguments))
        return *done;

    ScanOptions options;
    if (const Result<> method = options.readMethod(parser); !method)
        return command.usageError(method.error());

    const std::optional<ScanRowPrinter::Format> parsedFormat =
        ScanRowPrinter::parseFormat(parser.value(QStringLiteral("format")));
    if (!parsedFormat)
        return command.usageError(QStringLiteral("--format is table, kst or json, not \"%1\".")
                                      .arg(parser.value(QStringLiteral("format"))));
    const ScanRowPrinter::Format format = *parsedFormat;

    if (const Result<> range = options.readRangeAndPacing(parser); !range)
        return command.usageError(range.error());
    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser);
    if (!server)
        return command.usageError(server.error());
    const Result<QString> site = SiteOption::read(parser);
    if (!site)
        return command.usageError(site.error());

    PhaseTiming::mark("options read");
    const Result<QString> dataFolder = DataDirOption::read(parser);
    if (!dataFolder)
        return command.failure(dataFolder.error());
    // The host history goes where the records are.
    const RecordStore store(*dataFolder, *server);
    PhaseTiming::mark("store opened");
    const VendorResolver vendors(*dataFolder);
    PhaseTiming::mark("vendor data read");
    ScanListModel list;
    ScanRun run(&list);
    QObject::connect(&run, &ScanRun::startFailed, &ConsolePrompt::print);
    options.configure(run, vendors);

    ScanRowPrinter printer(format, stdout);
    // The header waits for the first row or the completion text: a scan that
    // cannot start prints no empty table.
    bool headed = false;
    const auto printHeader = [&] {
        if (!std::exchange(headed, true))
            printer.printHeader();
    };
    QObject::connect(&run, &ScanRun::rowsAppended, [&](int first, int last) {
        printHeader();
        for (int row = first; row <= last; ++row)
            printer.printRow(list.scanRow(row));
    });

    // Progress for a person watching; never mixed into redirected output.
    if (::isatty(STDERR_FILENO)) {
        QObject::connect(&run, &ScanRun::statusTextChanged, [](const QString &text) {
            std::fprintf(stderr, "\r\033[K%s", qPrintable(text));
            std::fflush(stderr);
        });
    }

    StopSignals signals_;
    QObject::connect(&signals_, &StopSignals::stopRequested, &run, [&run](int count) {
        if (count > 1)
            QCoreApplication::exit(130); // a second interrupt does not wait for the current host
        run.stop();
    });

    int status = 0;
    QObject::connect(&run, &ScanRun::finished, [&](const QString &completion) {
        if (::isatty(STDERR_FILENO))
            std::fputs("\r\033[K", stderr);
        if (completion.isEmpty()) {
            status = 1;
        } else {
            PhaseTiming::mark("scan finished");
            printHeader();
            std::FILE *out = format == ScanRowPrinter::Format::Table ? stdout : stderr;
            std::fprintf(out, "%s\n", qPrintable(completion));
            if (CompletedScan::record(command, store, list, run, *site).lost)
                status = CommandLine::FailureStatus;
            PhaseTiming::mark("history written");
            if (parser.isSet(QStringLiteral("output"))) {
                QList<ScanRow> rows;
                rows.reserve(list.count());
                for (int row = 0; row < list.count(); ++row)
                    rows.append(list.scanRow(row));
                if (const Result<> saved = ScanResultFile::save(parser.value(QStringLiteral("output")), rows);
                    !saved)
                    status = command.failure(saved.error());
            }
        }
        QCoreApplication::quit();
    });

    // From the loop: a start that fails at once quits a loop that is running.
    QMetaObject::invokeMethod(
        &run, [&] { run.start(options.range()); }, Qt::QueuedConnection);
    const int loopStatus = QCoreApplication::exec();
    PhaseTiming::mark("done");
    return loopStatus != 0 ? loopStatus : status;
}
