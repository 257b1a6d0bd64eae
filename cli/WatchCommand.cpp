#include "cli/WatchCommand.h"

#include "analysis/Analyzer.h"
#include "analysis/AutoScanController.h"
#include "cli/AnalysisInputs.h"
#include "cli/AnalysisSession.h"
#include "cli/CommandLine.h"
#include "cli/CompletedScan.h"
#include "cli/ConsolePrompt.h"
#include "cli/FindingPrinter.h"
#include "cli/NotifyOptions.h"
#include "cli/ReportOptions.h"
#include "cli/ScanOptions.h"
#include "cli/SiteOption.h"
#include "cli/TableOrJsonOption.h"
#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "history/ListenSession.h"
#include "history/ScanHistory.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "mail/DailyReport.h"
#include "notify/Notifiers.h"
#include "platform/ProcessProgramRunner.h"
#include "platform/StopSignals.h"
#include "scan/LinkListener.h"
#include "scan/OnLinkNetworks.h"
#include "scan/ScanRun.h"
#include "scan/VendorResolver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QNetworkInterface>
#include <cstdio>

namespace {

QString offeredMinutesText()
{
    QStringList texts;
    for (int minutes : AnalysisOptions::offeredMinutes())
        texts.append(QString::number(minutes));
    return texts.join(QLatin1String(", "));
}

void addWatchOptions(QCommandLineParser &parser)
{
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
    parser.addOption(
        {QStringLiteral("listen"),
         QStringLiteral("Between the scans, listen to the ARP and IPv6 neighbour discovery of the range's\n"
                        "interface and print the change events and findings it shows as they come; the\n"
                        "range must lie on one network of this host's interfaces.")});
    TableOrJsonOption::addFormat(parser, QStringLiteral("a finding or change event"));
    NotifyOptions::addTo(parser);
    SiteOption::addForWriting(parser);
}

// What watch takes besides the session's options.
struct WatchOptions
{
    bool json = false;
    std::optional<int> every;
    bool reporting = false;
    ReportSettings reportSettings;
    QString listenInterface; // --listen: the interface of the range
    NotifyOptions::Chosen notify;
};

// The interface a listener hears the whole range on, for --listen.
Result<QString> listenInterfaceOf(const ScanRange &range)
{
    // Kept while the network found in them is read.
    const OnLinkNetworks networks = OnLinkNetworks::ofThisHost();
    const OnLinkNetwork *network = networks.covering(range.first(), range.last());
    const QString name = network ? QNetworkInterface::interfaceNameFromIndex(network->interfaceIndex)
                                 : QString();
    if (name.isEmpty())
        return Failure{QStringLiteral(
                           "--listen needs a range on one network of this host's interfaces; %1 to %2 "
                           "is not.")
                           .arg(range.addressText(0), range.addressText(range.count() - 1))};
    return name;
}

// --every and the report options; the usage error's exit status when wrong.
Result<WatchOptions> readEveryAndReport(const QCommandLineParser &parser, bool json)
{
    WatchOptions options;
    options.json = json;
    if (parser.isSet(QStringLiteral("every"))) {
        options.every = AnalysisOptions::parseMinutes(parser.value(QStringLiteral("every")));
        if (!options.every)
            return Failure{QStringLiteral("--every takes one of %1, not \"%2\".")
                               .arg(offeredMinutesText(), parser.value(QStringLiteral("every")))};
    }
    options.reporting = parser.isSet(QStringLiteral("report"));
    options.reportSettings = options.reporting ? ReportSettings::load() : ReportSettings{};
    if (const Result<> applied = ReportOptions::apply(parser, &options.reportSettings); !applied)
        return Failure{applied.error()};
    options.reportSettings.isSend = options.reporting;
    const Result<NotifyOptions::Chosen> notify = NotifyOptions::read(parser);
    if (!notify)
        return Failure{notify.error()};
    options.notify = *notify;
    return options;
}

// The steps of a watch and what happens around them; exec() runs them until
// a stop signal.
class Watch
{
public:
    Watch(const CommandLine &command, AnalysisSession &session, const WatchOptions &options);
    int exec();

private:
    void printFindings();
    void notifyOutside();
    // Prints the events and hands them to the notifiers: the one way out of
    // every change event that watch reports.
    void reportChanges(const QList<ChangeEvent> &events);
    void mailReports();
    void recordScans();
    void listenBetweenScans();
    void stopOnSignals();

    const CommandLine &m_command;
    AnalysisSession &m_session;
    const WatchOptions m_options;
    const VendorResolver m_vendors;
    ScanListModel m_scanList;
    RecordListModel m_records;
    AnalysisListModel m_analysisList;
    ScanRun m_run;
    Analyzer m_analyzer;
    AutoScanController m_controller;
    FindingPrinter m_printer;
    DailyReport m_report;
    ProcessProgramRunner m_programs;
    std::unique_ptr<Notifiers> m_notifiers;
    bool m_historyLost = false; // a scan's history neither written nor kept: the exit status says so
    bool m_stopping = false;
    StopSignals m_signals;
    std::unique_ptr<ListenSession> m_listening;
};

Watch::Watch(const CommandLine &command, AnalysisSession &session, const WatchOptions &options)
    : m_command(command),
      m_session(session),
      m_options(options),
      m_vendors(session.dataFolder()),
      m_run(&m_scanList),
      m_analyzer(&m_scanList, &m_records, &m_analysisList),
      m_controller(&m_run, &m_analyzer, [this] { return m_run.start(m_session.scanOptions().range()); }),
      m_printer(m_analysisList, stdout,
                options.json ? FindingPrinter::Format::Json : FindingPrinter::Format::Table,
                session.shownSite()),
      m_report(m_analysisList, session.dataFolder()),
      m_notifiers(NotifyOptions::make(options.notify, m_programs, session.dataFolder()))
{
    QObject::connect(&m_run, &ScanRun::startFailed, &ConsolePrompt::print);
    session.scanOptions().configure(m_run, m_vendors);
    session.configure(m_analyzer);
    m_controller.setMinutes(options.every.value_or(session.inputs().stored().mins));
    notifyOutside();
    printFindings();
    mailReports();
    recordScans();
    if (!options.listenInterface.isEmpty())
        listenBetweenScans();
    stopOnSignals();
}

void Watch::printFindings()
{
    QObject::connect(&m_analysisList, &QAbstractItemModel::rowsInserted,
                     [this](const QModelIndex &, int first, int last) {
                         for (const QJsonObject &finding : m_printer.printRows(first, last))
                             m_notifiers->notify(finding);
                     });

    // Records edited between two steps count from the next step on; when they
    // cannot be read, the step uses those it had.
    QObject::connect(&m_controller, &AutoScanController::stepStarted, [this] {
        if (const Result<> loaded = m_session.inputs().loadRecords(m_records); !loaded)
            std::fprintf(stderr, "netkestrel-cli watch: %s\n", qPrintable(loaded.error()));
    });
}

void Watch::notifyOutside()
{
    QObject::connect(m_notifiers.get(), &Notifiers::status, [](const QString &text) {
        std::fprintf(stderr, "netkestrel-cli watch: %s\n", qPrintable(text));
    });
}

void Watch::reportChanges(const QList<ChangeEvent> &events)
{
    CompletedScan::printChanges(stdout, events, m_options.json);
    for (const ChangeEvent &event : events)
        m_notifiers->notify(JsonLines::changeEvent(event));
}

void Watch::mailReports()
{
    // The report covers the findings since the last one.
    m_report.setServer(m_session.inputs().store().server());
    m_report.setSite(m_session.site());
    m_report.setSettings(m_options.reportSettings);
    QObject::connect(&m_report, &DailyReport::status,
                     [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    QObject::connect(&m_report, &DailyReport::reportFinished, [this](bool, const QString &outcome) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome));
        m_analysisList.clear();
    });
}

void Watch::recordScans()
{
    QObject::connect(&m_controller, &AutoScanController::stepFinished,
                     [this](bool, const QString &completion, int) {
                         if (!completion.isEmpty()) {
                             std::fprintf(stderr, "%s\n", qPrintable(completion));
                             CompletedScan::Recorded recorded = CompletedScan::record(
                                 m_command, m_session.inputs().store(), m_scanList, m_run, m_session.site());
                             m_historyLost = m_historyLost || recorded.lost;
                             reportChanges(recorded.events);
                         }
                         // Printed already; a watch that runs for months keeps no findings,
                         // or only those of the day's report.
                         if (!m_options.reporting)
                             m_analysisList.clear();
                         if (m_stopping)
                             QCoreApplication::quit();
                     });
}

void Watch::listenBetweenScans()
{
    const RecordStore &store = m_session.inputs().store();
    const QString site = HistoryRecorder::siteOrDefault(m_session.site());
    m_listening = std::make_unique<ListenSession>(site, [this, &store](const KeptScan &heard) {
        const ScanHistory::Outcome outcome = ScanHistory::write(store, heard);
        for (const QString &message : outcome.messages)
            std::fprintf(stderr, "%s\n", qPrintable(message));
        m_historyLost = m_historyLost || outcome.fate == ScanHistory::Outcome::Fate::Lost;
    });
    const ScanRange &range = m_session.scanOptions().range();
    m_listening->rules().setRange(range.first(), range.last());
    if (const Result<QList<HistoryEntry>> known = HistoryReader(store).entries({{}, {}, std::nullopt, site});
        known)
        m_listening->rules().seed(*known);
    else
        std::fprintf(stderr, "netkestrel-cli watch: %s\n", qPrintable(known.error()));

    QObject::connect(m_listening.get(), &ListenSession::changes,
                     [this](const QList<ChangeEvent> &events) { reportChanges(events); });
    QObject::connect(m_listening.get(), &ListenSession::findings,
                     [this](const QList<ListenRules::Finding> &found) {
                         const QDateTime now = QDateTime::currentDateTime();
                         const AcknowledgedSet acknowledged = m_session.inputs().acknowledgements()(now);
                         for (const ListenRules::Finding &finding : found)
                             m_analysisList.appendEntry(
                                 {Analyzer::dateTimeText(now), finding.text, finding.ip, finding.mac,
                                  acknowledged.isAcknowledged(finding.ip, finding.mac, now)});
                         if (!m_options.reporting)
                             m_analysisList.clear();
                     });
    QObject::connect(m_listening.get(), &ListenSession::lost, [](const QString &message) {
        std::fprintf(stderr, "netkestrel-cli watch: %s The scans go on.\n", qPrintable(message));
    });
    // The records as each step loaded them; the scan's pairs hold their
    // addresses once it is recorded.
    QObject::connect(&m_controller, &AutoScanController::stepStarted, [this] {
        m_listening->rules().setRecords(ListenRules::recordMacs(m_records),
                                        m_analyzer.options().checks.analyzeMac);
        m_listening->scanStarted();
    });
    QObject::connect(&m_controller, &AutoScanController::stepFinished,
                     [this](bool, const QString &completion, int) {
                         m_listening->scanCompleted(completion.isEmpty() ? QList<ScanRow>()
                                                                         : ScanHistory::rowsOf(m_scanList),
                                                    QDateTime::currentDateTimeUtc());
                     });

    Result<std::unique_ptr<LinkListener>> opened = LinkListener::open(m_options.listenInterface);
    if (!opened) {
        std::fprintf(stderr, "netkestrel-cli watch: %s The scans go on without listening.\n",
                     qPrintable(opened.error()));
        return;
    }
    m_listening->listen(std::move(*opened));
}

void Watch::stopOnSignals()
{
    QObject::connect(&m_signals, &StopSignals::stopRequested, &m_controller, [this](int count) {
        m_stopping = true;
        m_controller.setAutoScan(false);
        if (!m_controller.isStepRunning()) {
            QCoreApplication::quit();
            return;
        }
        if (count > 1)
            QCoreApplication::exit(130);
        m_run.stop();
    });
}

int Watch::exec()
{
    m_controller.setAutoScan(true);
    m_controller.ArTimer_Timer();
    const int status = QCoreApplication::exec();
    if (m_listening)
        m_listening->stop(); // what was heard last goes into the history before the status is known
    return status == 0 && m_historyLost ? CommandLine::FailureStatus : status;
}

} // namespace

int runWatchCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("watch"));
    QCommandLineParser parser;
    addWatchOptions(parser);
    if (const auto done = command.parse(parser, arguments))
        return *done;

    const Result<TableOrJsonOption::Format> format = TableOrJsonOption::readFormat(parser);
    if (!format)
        return command.usageError(format.error());
    AnalysisSession session;
    if (const auto failed = session.readScanOptions(command, parser, AnalysisSession::Source::Scan))
        return *failed;
    const Result<WatchOptions> options =
        readEveryAndReport(parser, *format == TableOrJsonOption::Format::Json);
    if (!options)
        return command.usageError(options.error());
    WatchOptions watchOptions = *options;
    if (parser.isSet(QStringLiteral("listen"))) {
        const Result<QString> interface = listenInterfaceOf(session.scanOptions().range());
        if (!interface)
            return command.usageError(interface.error());
        watchOptions.listenInterface = *interface;
    }
    if (const auto failed = session.open(command, parser))
        return *failed;

    Watch watch(command, session, watchOptions);
    return watch.exec();
}
