#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

#include "lists/ScanRow.h"
#include "scan/HostSource.h"
#include "scan/ScanRange.h"

class ScanListModel;

// A scan of one range: walks it upwards host by host, appends one scan row
// per answering host (and, when asked, a marker row per silent one), and
// reports progress, status texts and completion by signals. It runs as steps
// of the event loop of its thread, so the window never freezes; Pause and
// Stop act between hosts. It never asks or shows anything itself: a run that
// cannot start reports startFailed() and the front end shows it.
//
// Rows reach the list in batches (one insertion per batch, at most BatchRows
// rows or BatchMs old), so that a range of 65,536 answering hosts does not
// cost a model signal and a view update per row. A batch is flushed before
// the run pauses and before it finishes, so the list is complete whenever
// the run is not Running; the order of the rows is the order of the hosts.
class ScanRun : public QObject
{
    Q_OBJECT

public:
    enum class State { Idle, Running, Paused };
    Q_ENUM(State)

    static constexpr int BatchRows = 256;
    static constexpr int BatchMs = 50;

    using VendorLookup = std::function<QString(const QString &macText)>;
    using SourceFactory = std::function<HostSource *(const ScanRange &, const HostSource::Pacing &)>;

    explicit ScanRun(ScanListModel *list, QObject *parent = nullptr);
    ~ScanRun() override;

    void setVendorLookup(VendorLookup lookup) { m_vendorOf = std::move(lookup); }
    void setPacing(const HostSource::Pacing &pacing) { m_pacing = pacing; }
    const HostSource::Pacing &pacing() const { return m_pacing; }
    // Replaces the method's host source, for tests of the run's own rules.
    void setSourceFactory(SourceFactory factory) { m_sourceFactory = std::move(factory); }

    // The " Display Non-Responded IP" box; read anew for every host.
    void setShowSilent(bool on) { m_showSilent = on; }
    bool showSilent() const { return m_showSilent; }

    // Starts a run of a checked range. False when a run is already going.
    bool start(const ScanRange &range);
    // "Pause" / "Continue".
    void togglePause();
    void stop();

    State state() const { return m_state; }
    bool isScanning() const { return m_state != State::Idle; }
    int foundCount() const { return m_found; }
    QString statusText() const { return m_statusText; }

    static QString completionText(quint32 scanned, int found);

    // The run's answering addresses whose NetBIOS unit id differs from the
    // neighbour table's MAC, each with that table's MAC; cleared by start().
    const QHash<QString, QString> &neighbourMacs() const { return m_neighbourMacs; }
    // The range of the run going or of the last one.
    const std::optional<ScanRange> &range() const { return m_range; }

Q_SIGNALS:
    void stateChanged(ScanRun::State state);
    void statusTextChanged(const QString &text);
    void progressChanged(int percent);
    void progressVisibleChanged(bool visible);
    // The range's ends were entered backwards (UDP: the window swaps its captions).
    void rangeOrderShown(bool enteredBackwards);
    // Rows first..last (inclusive) have been appended to the list.
    void rowsAppended(int first, int last);
    // The run could not start (no socket, no resolver library ...): the title
    // and text of the message to show. Emitted before finished() with an
    // empty completion text, and possibly from within start().
    void startFailed(const QString &title, const QString &text);
    // completionText is empty when the run failed before its first host.
    void finished(const QString &completionText);

private:
    void setState(State state);
    void setStatus(const QString &text);
    void onPrepared();
    void onFailed(const QString &title, const QString &text);
    void onHostReady(quint32 index, const HostResult &result);
    void requestHost(quint32 index);
    void continueAfter(quint32 index, bool rowAppended);
    void queueRow(const ScanRow &row);
    void flushRows();
    void finish(quint32 scanned);
    void endRun(const QString &completion);

    ScanListModel *m_list;
    VendorLookup m_vendorOf;
    SourceFactory m_sourceFactory;
    HostSource::Pacing m_pacing;
    QPointer<HostSource> m_source;
    std::optional<ScanRange> m_range;

    State m_state = State::Idle;
    bool m_showSilent = false;
    bool m_stopRequested = false;
    bool m_pauseRequested = false;
    bool m_waitingForHost = false;
    quint32 m_nextIndex = 0; // the host to ask for when the run continues
    int m_found = 0;
    QHash<QString, QString> m_neighbourMacs;
    QString m_statusText;
    QList<ScanRow> m_batch; // rows not yet in the list
    QTimer m_batchTimer;
};
