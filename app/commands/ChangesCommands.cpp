#include "app/commands/ChangesCommands.h"

#include "analysis/Analyzer.h"
#include "app/dialogs/FormChanges.h"
#include "app/parts/MainMenus.h"
#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "history/MacText.h"
#include "history/ScanHistory.h"
#include "records/RecordStore.h"
#include "scan/LinkListener.h"
#include "scan/OnLinkNetworks.h"
#include "scan/ScanRun.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QNetworkInterface>

#include <utility>

ChangesCommands::ChangesCommands(MainMenus &menus, ScanRun &scanRun, ScanListModel &scanList,
                                 const RecordStore &store, QWidget *window)
    : QObject(window), m_scanRun(scanRun), m_scanList(scanList), m_store(store), m_window(window)
{
    if (QMenu *analyze = menus.menu(QStringLiteral("JSmenu"))) {
        analyze->addSeparator();
        QAction *action = analyze->addAction(QStringLiteral("Changes"));
        action->setObjectName(QLatin1String(ActionName));
        connect(action, &QAction::triggered, this, &ChangesCommands::showChanges);
    }
    connect(&scanRun, &ScanRun::finished, this, &ChangesCommands::scanFinished);
    // Asked at the start: by the end, the automatic step may be over already.
    connect(&scanRun, &ScanRun::stateChanged, this, [this](ScanRun::State state) {
        if (state == ScanRun::State::Running)
            m_scanAutomatic = m_isAutomatic && m_isAutomatic();
        if (m_listening && state != ScanRun::State::Idle)
            m_listening->scanStarted();
    });
}

ChangesCommands::~ChangesCommands()
{
    m_listening.reset(); // its last batch joins the histories being written
    m_writer.waitForDone();
}

void ChangesCommands::waitForHistory()
{
    m_writer.waitForDone();
}

void ChangesCommands::reload()
{
    ++m_generation;
    m_loaded = false;
    m_reading = false;
    m_changes.clear();
    if (m_form && m_form->isVisible())
        showChanges();
}

void ChangesCommands::showChanges()
{
    if (!m_loaded && !m_reading) {
        // Read after the histories still being written, which would
        // otherwise be read and then listed again.
        m_reading = true;
        m_writer.run(
            this, [store = m_store] { return HistoryReader(store).changes(); },
            [this, generation = m_generation](const Result<QList<ChangeEvent>> &stored) {
                read(generation, stored);
            });
    }
    if (!m_form) {
        m_form = new FormChanges(&m_changes, m_window);
        connect(m_form, &FormChanges::siteChosen, this, &ChangesCommands::showSite);
    }
    offerSites();
    m_form->show();
    m_form->raise();
    m_form->activateWindow();
}

void ChangesCommands::scanFinished(const QString &completion)
{
    if (completion.isEmpty()) {
        if (m_listening)
            m_listening->scanCompleted({}, m_clock());
        return; // the run failed before its first host
    }
    // The rows are copied now: the list starts over with the next scan. The
    // store is copied too, as the window may move to another database.
    KeptScan scan = ScanHistory::completed(ScanHistory::rowsOf(m_scanList), m_scanRun.neighbourMacs(),
                                           m_ownSite, m_clock);
    if (m_listenWanted)
        listenAfter(scan.rows);
    m_writer.run(
        this, [store = m_store, scan = std::move(scan)] { return ScanHistory::write(store, scan); },
        [this, generation = m_generation, automatic = m_scanAutomatic](const ScanHistory::Outcome &outcome) {
            recorded(generation, outcome, automatic);
        });
}

void ChangesCommands::setListening(bool on)
{
    m_listenWanted = on;
    if (!on)
        m_listening.reset();
}

void ChangesCommands::listenAfter(const QList<ScanRow> &rows)
{
    if (m_listening && m_listening->isListening()) {
        m_listening->scanCompleted(rows, m_clock());
        return;
    }
    m_listening.reset();
    const std::optional<ScanRange> &range = m_scanRun.range();
    // Kept while the network found in them is read.
    const OnLinkNetworks networks = OnLinkNetworks::ofThisHost();
    const OnLinkNetwork *network = range ? networks.covering(range->first(), range->last()) : nullptr;
    if (!network) {
        qWarning("Listening between scans needs a range on one network of this host's interfaces.");
        return;
    }
    Result<std::unique_ptr<LinkListener>> opened =
        LinkListener::open(QNetworkInterface::interfaceNameFromIndex(network->interfaceIndex));
    if (!opened) {
        qWarning("%s", qPrintable(opened.error()));
        return;
    }
    const QString site = HistoryRecorder::siteOrDefault(m_ownSite);
    m_listening = std::make_unique<ListenSession>(site, [this](const KeptScan &heard) {
        // The events were listed when heard; only the messages are left.
        m_writer.run(
            this, [store = m_store, heard] { return ScanHistory::write(store, heard); },
            [](const ScanHistory::Outcome &outcome) {
                for (const QString &message : outcome.messages)
                    qWarning("%s", qPrintable(message));
            });
    });
    m_listening->rules().setRange(range->first(), range->last());
    connect(m_listening.get(), &ListenSession::changes, this, [this](const QList<ChangeEvent> &events) {
        if (m_loaded)
            append(events);
        // Heard between the automatic mode's scans: its tray notices too.
        Q_EMIT eventsRecorded(events, true);
    });
    connect(m_listening.get(), &ListenSession::lost, this,
            [](const QString &message) { qWarning("%s", qPrintable(message)); });
    m_listening->listen(std::move(*opened));
    // The history as it stood, read after the scans still being written; the
    // frames heard before it comes count against the scans alone.
    m_writer.run(
        this,
        [store = m_store, site] {
            return HistoryReader(store).entries({{}, {}, std::nullopt, site});
        },
        [this](const Result<QList<HistoryEntry>> &known) {
            if (m_listening && known)
                m_listening->rules().seed(*known);
        });
    m_listening->scanCompleted(rows, m_clock());
}

void ChangesCommands::read(int generation, const Result<QList<ChangeEvent>> &stored)
{
    if (generation != m_generation)
        return; // of a store the window has left; reload() asked again
    m_reading = false;
    if (!stored) {
        qWarning("%s", qPrintable(stored.error()));
        return;
    }
    m_changes.clear();
    m_events.clear();
    append(*stored);
    m_loaded = true;
    offerSites();
}

void ChangesCommands::recorded(int generation, const ScanHistory::Outcome &outcome, bool automatic)
{
    for (const QString &message : outcome.messages)
        qWarning("%s", qPrintable(message));
    if (outcome.fate == ScanHistory::Outcome::Fate::Written && !outcome.events.isEmpty())
        Q_EMIT eventsRecorded(outcome.events, automatic);
    // Before the window first opens, the stored events are read then. The
    // events of kept scans written now are in the store only: the window
    // lists them when it reads the store next.
    if (outcome.fate == ScanHistory::Outcome::Fate::Written && m_loaded && generation == m_generation) {
        append(outcome.events);
        offerSites();
    }
}

void ChangesCommands::showSite(const QString &site)
{
    m_site = site;
    m_changes.clear();
    const QList<ChangeEvent> all = std::exchange(m_events, {});
    append(all);
}

void ChangesCommands::offerSites()
{
    if (!m_form)
        return;
    QStringList sites;
    for (const ChangeEvent &event : std::as_const(m_events)) {
        if (!sites.contains(event.site))
            sites.append(event.site);
    }
    sites.sort();
    m_form->setSites(sites);
    if (m_form->site() != m_site)
        showSite(m_form->site());
}

void ChangesCommands::append(const QList<ChangeEvent> &events)
{
    m_events += events;
    QList<QStringList> rows;
    rows.reserve(events.size());
    for (const ChangeEvent &event : events) {
        if (!m_site.isEmpty() && event.site != m_site)
            continue;
        rows.append({Analyzer::dateTimeText(event.time.toLocalTime()), event.site,
                     ChangeEvent::kindWord(event.kind), event.ipAddress, MacText::shown(event.macAddress),
                     event.text()});
    }
    m_changes.appendChanges(rows);
}
