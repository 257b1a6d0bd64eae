#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <deque>
#include <optional>
#include <vector>

#include "HostSource.h"

class QSocketNotifier;
struct NodeStatusReply;

// The UDP method: every address of the range gets a node-status query to UDP
// port 137 and 30 ms, counted from its own send, to answer.
//
// Default pacing: one query at a time, sent when the run asks for its host.
// Fast pacing: up to FastWindow queries ahead of the asked host are in flight
// at once; results wait, keyed by address, until the run asks for them, so
// rows still come in ascending order and Pause/Stop still act between hosts.
//
// Only a datagram from port 137 of an address whose query is still waiting
// counts, so a late answer never lands on another host. Nothing blocks: the
// sockets are non-blocking and read when the event loop says they are
// readable. A datagram to a silent on-link address sits in the kernel's
// neighbour queue for seconds and is charged to its socket's send buffer;
// when one socket's buffer is full the query goes out on another socket of a
// small pool, and only when every socket is full is it retried a little later.
class UdpHostSource : public HostSource
{
    Q_OBJECT

public:
    static constexpr quint32 FastWindow = 64;
    static constexpr int MaxSockets = 32;

    UdpHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent = nullptr);
    ~UdpHostSource() override;

    void begin() override;
    void request(quint32 index) override;
    void abort() override;

    // How many sockets the source has opened so far (tests).
    int socketCount() const { return int(m_sockets.size()); }

private:
    enum class SlotState : quint8 { Unsent, InFlight, Done };
    enum class SendResult { Sent, Full, Failed };
    struct Query
    {
        quint32 index;
        qint64 deadline;
    };

    bool openSocket();
    void closeSockets();
    void sendDue();
    SendResult sendQuery(quint32 index);
    void readAnswers(int fd);
    void answer(quint32 index, const NodeStatusReply &reply, quint32 source);
    void expireQueries();
    void armDeadline();
    void complete(quint32 index, const HostResult &result);
    void deliverLater(quint32 index);

    std::vector<int> m_sockets;
    std::vector<QSocketNotifier *> m_notifiers;
    std::vector<SlotState> m_slots;
    QHash<quint32, HostResult> m_results; // done, not yet delivered
    std::deque<Query> m_inFlight;         // in send order, so deadlines ascend
    std::optional<quint32> m_asked;       // the host the run waits for
    quint32 m_window = 1;
    quint32 m_nextToSend = 0;
    quint32 m_sendLimit = 0; // hosts below it may be sent
    QByteArray m_query;
    QTimer m_deadlineTimer;
    QTimer m_retryTimer;
    QElapsedTimer m_clock;
    bool m_aborted = false;
};
