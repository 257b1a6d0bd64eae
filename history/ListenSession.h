#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

#include "history/ChangeEvent.h"
#include "history/HistorySpool.h"
#include "history/ListenRules.h"

class LinkListener;
struct HeardFrame;
struct ScanRow;

// Listening between scans, for every front end: the frames of a LinkListener
// go through ListenRules; the events and findings are told as each frame
// shows them, and the pairs heard with the events go to the writer in
// batches, at most one every FlushMs, so that a host that chatters costs one
// write per batch rather than one per frame. The writer takes a batch as a
// kept scan (KeptScan::heard), which ScanHistory::write puts into the store
// or its spool like a scan's history.
//
// Threading: lives on the listener's thread; the writer is called there.
class ListenSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int FlushMs = 3000;
    using Writer = std::function<void(const KeptScan &heard)>;

    // site: resolved (HistoryRecorder::siteOrDefault).
    ListenSession(const QString &site, Writer writer, QObject *parent = nullptr);
    // Hands over what was heard since the last batch.
    ~ListenSession() override;

    ListenRules &rules() { return m_rules; }
    const QString &site() const { return m_site; }

    // Takes the listener; what it hears from now on counts.
    void listen(std::unique_ptr<LinkListener> listener);
    bool isListening() const { return m_listener != nullptr; }
    // Ends listening; what was heard goes to the writer.
    void stop();
    // While a scan runs its own traffic is heard: the scan tells what it
    // shows, so the frames count again once it has ended.
    void scanStarted() { m_scanning = true; }
    // A scan's rows at its end (none when it failed): its pairs hold their
    // addresses, and the frames count again.
    void scanCompleted(const QList<ScanRow> &rows, const QDateTime &time);
    // Hands what was heard since the last batch to the writer.
    void flush();

Q_SIGNALS:
    void changes(const QList<ChangeEvent> &events);
    void findings(const QList<ListenRules::Finding> &findings);
    // The listener heard its last; message says why in the program's words.
    void lost(const QString &message);

private:
    void hear(const HeardFrame &frame);

    QString m_site;
    ListenRules m_rules;
    Writer m_writer;
    std::unique_ptr<LinkListener> m_listener;
    QTimer m_flushTimer;
    QHash<QString, ScanRow> m_pending; // "IP MAC" -> the pair, since the last batch
    QList<ChangeEvent> m_events;
    QDateTime m_latest; // the latest frame of the batch
    bool m_scanning = false;
};
