#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "scan/HostSource.h"
#include "scan/OnLinkNetworks.h"

class ArpSweep;
class QSocketNotifier;
struct NodeStatusReply;
namespace mac {
class NeighbourBudget;
}

// The UDP method: every address of the range gets a node-status query to UDP
// port 137 and 30 ms, counted from its own send, to answer.
//
// Default pacing: one query at a time, sent when the run asks for its host.
// Fast pacing: up to FastWindow queries ahead of the asked host are in flight
// at once; results wait, keyed by address, until the run asks for them, so
// rows still come in ascending order and Pause/Stop still act between hosts.
//
// On-link addresses: a query to an address without a neighbour entry makes
// the kernel create one that stays for seconds, in a table shared by every
// network namespace and refused past its limit (then the query is dropped
// without a word, and a live host is missed). So every on-link query takes a
// lease of the process's NeighbourBudget first and waits while none is free.
// That alone would hold a fast scan of a large on-link range to a few dozen
// addresses a second; where ARP requests of our own can be sent (CAP_NET_RAW
// here or in the helper), the fast pacing therefore first sweeps the range's
// on-link addresses with ARP as one batch (ArpSweep, which leaves no entry
// behind) and queries only the addresses that answered: an address that does
// not answer ARP cannot answer a datagram either. An on-link address that
// stays silent until its ARP wait is over is silent. Addresses through a
// router never touch the table beyond the gateway and keep the plain fast
// pace.
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
    // The pace of the ARP sweep before the queries: 50,000 requests a
    // second. The queries to the hosts that answered go out while it still
    // sends; at the ARP method's own fastest pace an on-link /16 lost a host
    // in two runs of three.
    static constexpr int SweepPacingUs = 20;

    UdpHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent = nullptr);
    ~UdpHostSource() override;

    void begin() override;
    void request(quint32 index) override;
    void abort() override;

    // How many sockets the source has opened so far (tests).
    int socketCount() const { return int(m_sockets.size()); }
    // Whether the on-link addresses are swept with ARP first (tests).
    bool sweeps() const { return m_sweep != nullptr; }

private:
    enum class SlotState : quint8 { Unsent, Probing, Live, InFlight, Done };
    enum class SendResult { Sent, Full, NoRoom, Failed };
    struct Query
    {
        quint32 index;
        qint64 deadline;
    };

    bool openSocket();
    void closeSockets();
    void sendDue();
    bool sendNext();
    SendResult sendQuery(quint32 index, bool onLink);
    void started(quint32 index, SendResult sent);
    void readAnswers(int fd);
    void startSweep();
    void arpAnswered(quint32 address);
    void sweepFinished();
    void answer(quint32 index, const NodeStatusReply &reply, quint32 source);
    void onTimer();
    void expireQueries();
    void settleAskedProbe();
    void armTimer();
    void complete(quint32 index, const HostResult &result);
    void completeSilent(quint32 index);
    void deliverLater(quint32 index);

    std::vector<int> m_sockets;
    std::vector<QSocketNotifier *> m_notifiers;
    std::vector<SlotState> m_slots;
    QHash<quint32, HostResult> m_results; // done, not yet delivered
    std::deque<Query> m_inFlight;         // in send order, so deadlines ascend
    std::deque<quint32> m_live;           // answered ARP, query not sent yet
    std::optional<quint32> m_asked;       // the host the run waits for
    OnLinkNetworks m_networks;
    std::unique_ptr<ArpSweep> m_sweep;
    mac::NeighbourBudget *m_budget = nullptr; // the process's; outlives every source
    bool m_waitingForRoom = false;
    quint32 m_window = 1;
    quint32 m_nextToSend = 0;
    quint32 m_sendLimit = 0; // hosts below it may be sent
    QByteArray m_query;
    QTimer m_deadlineTimer;
    QTimer m_retryTimer;
    QElapsedTimer m_clock;
    bool m_aborted = false;
};
