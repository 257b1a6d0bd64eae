#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "app/dialogs/FormChanges.h"
#include "history/ChangeEvent.h"
#include "history/HistoryTime.h"
#include "history/ListenSession.h"
#include "history/ScanHistory.h"
#include "lists/ChangesListModel.h"
#include "platform/Result.h"
#include "platform/WorkRunner.h"

class MainMenus;
class RecordStore;
class QAction;
class ScanListModel;
class ScanRun;

// The window's side of the host history: every scan that completes (started
// by the user or by the automatic mode) goes into the history of the window's
// record store, and the item "Changes" of the Analyze menu opens the window of the
// change events. The stored events are read when the window first opens;
// later scans append theirs. The window shows the events of every site or of
// the one chosen in its combo box; the window's own scans are recorded under
// its site (setSite), the machine's host name unless one is set. A history
// that cannot be written never interrupts the window: the failure is logged,
// the scan's rows stand, and its history is kept in the data folder until a
// later scan's write gets through (ScanHistory::write). A scan's history is
// written on a thread of its own, so that a large scan, or a store on a
// server, never holds the window; the scans reach the history in the order
// they completed. The stored events are read on that thread too, after the
// histories still being written: the window opens at once and lists them
// when they come.
// The store is the window's own, which outlives this object; when it moves
// to another database, reload() drops the events of the old one.
class ChangesCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *ActionName = "mnuChanges";

    ChangesCommands(MainMenus &menus, ScanRun &scanRun, ScanListModel &scanList, const RecordStore &store,
                    QWidget *window);
    // Waits for the histories still being written: none is lost on closing.
    ~ChangesCommands() override;

    void setClock(HistoryTime::Clock clock) { m_clock = std::move(clock); }
    // The site the window's next scans are recorded under; empty: the host name.
    void setSite(const QString &site) { m_ownSite = site; }
    const QString &site() const { return m_ownSite; }
    ChangesListModel &changes() { return m_changes; }
    FormChanges *form() const { return m_form; }
    // Opens the "Changes" window (or raises it); the stored events follow.
    void showChanges();
    // The store now names another database: its events replace those shown.
    void reload();

    // Shows the events of one site only (empty: every site).
    void showSite(const QString &site);
    // Returns when every completed scan is in the history and its events
    // are listed.
    void waitForHistory();
    // Answers, when a scan starts, whether it is the automatic mode's own.
    void setAutomatic(std::function<bool()> isAutomatic) { m_isAutomatic = std::move(isAutomatic); }

    // "Listen between scans" of the automatic mode: from the next completed
    // scan on, the window hears its range's network between the scans and
    // lists the events that shows at once; the pairs and events heard join
    // the history in batches. A listener that is lost (or cannot start) is
    // logged and tried again after the next scan. Off stops listening.
    void setListening(bool on);
    bool isListening() const { return m_listening && m_listening->isListening(); }

Q_SIGNALS:
    // The events a completed scan wrote into the history; automatic: the
    // scan was the automatic mode's.
    void eventsRecorded(const QList<ChangeEvent> &events, bool automatic);

private:
    void scanFinished(const QString &completion);
    void recorded(int generation, const ScanHistory::Outcome &outcome, bool automatic);
    void read(int generation, const Result<QList<ChangeEvent>> &stored);
    void append(const QList<ChangeEvent> &events);
    void offerSites();
    void listenAfter(const QList<ScanRow> &rows);

    ScanRun &m_scanRun;
    ScanListModel &m_scanList;
    const RecordStore &m_store;
    QWidget *m_window;
    HistoryTime::Clock m_clock = HistoryTime::systemClock();
    std::function<bool()> m_isAutomatic;
    bool m_scanAutomatic = false; // of the scan that runs or ran last
    ChangesListModel m_changes;
    QList<ChangeEvent> m_events; // of every site, in the order they came
    bool m_listenWanted = false;
    std::unique_ptr<ListenSession> m_listening;
    QString m_site;    // shown; empty: every site
    QString m_ownSite; // the scans'; empty: the host name
    QPointer<FormChanges> m_form;
    bool m_loaded = false;
    bool m_reading = false;
    int m_generation = 0;       // counts the stores; a history written into an earlier one is not listed
    PoolWorkRunner m_writer{1}; // one thread, so that the scans are written in turn
};
