#include "cli/ReportCommand.h"

#include "cli/AnalyzeCommand.h"
#include "cli/CommandLine.h"
#include "cli/ReportOptions.h"
#include "cli/SiteOption.h"
#include "lists/AnalysisListModel.h"
#include "mail/ReportRun.h"
#include "mail/ReportSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int runReportCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("report"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Analyses a scan result file (or a scan of a range) and mails the report of the findings with the\n"
        "stored report settings; the flags below override them for this run. Prints the status texts on\n"
        "standard error and the outcome on standard output. Exit status: 0 sent (or nothing to send),\n"
        "1 failure (also a report sent without its report file, which could not be written), 2 bad usage."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("now"), QStringLiteral("Make and send the report now.")});
    addAnalysisSourceOptions(parser);
    ReportOptions::addTo(parser);
    if (const auto done = command.parse(parser, arguments))
        return *done;
    if (!parser.isSet(QStringLiteral("now")))
        return command.usageError(QStringLiteral("give --now (the daily report is sent by watch --report)."));

    ReportSettings settings = ReportSettings::load();
    if (const Result<> applied = ReportOptions::apply(parser, &settings); !applied)
        return command.usageError(applied.error());

    AnalysisListModel analysisList;
    const AnalysisOutcome analysed = analyseInto(command, parser, analysisList);
    if (analysed.exitStatus)
        return *analysed.exitStatus;

    ReportRun run(settings, analysed.dataFolder);
    run.setServer(analysed.server);
    // Read and checked by analyseInto already.
    run.setSite(*SiteOption::read(parser));
    QObject::connect(&run, &ReportRun::status,
                     [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    // Queued: a send refused at once ends before the loop runs.
    QObject::connect(
        &run, &ReportRun::finished, &run,
        [](bool sent, const QString &outcome) {
            std::printf("%s\n", qPrintable(outcome));
            std::fflush(stdout);
            QCoreApplication::exit(sent ? 0 : CommandLine::FailureStatus);
        },
        Qt::QueuedConnection);
    run.start(analysisList, QDateTime::currentDateTime());
    return QCoreApplication::exec();
}
