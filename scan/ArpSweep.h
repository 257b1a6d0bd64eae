#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

#include "scan/OnLinkNetworks.h"

class QSocketNotifier;
namespace arpclient {
class HelperProcess;
}

// One batch of ARP requests of our own: every address of a range is asked
// once, in address order, as one paced stream, and one receiver collects
// every reply. Requests of our own ask whether an on-link address is in use
// without creating an entry in the kernel's neighbour table (replies to
// requests the kernel did not send are not learned). Needs CAP_NET_RAW: in
// this process, which then sends through a packet socket of its own, or else
// in netkestrel-arp, the helper that holds it, which is handed the whole
// range as one sweep per interface.
//
// Threading: lives on the thread that opened it; answers arrive through its
// event loop.
class ArpSweep : public QObject
{
    Q_OBJECT

public:
    // The addresses of one on-link network to ask, ascending.
    struct Segment
    {
        OnLinkNetwork network;
        std::vector<quint32> addresses; // host byte order
    };

    // The on-link addresses of first..last, one segment per network; our own
    // addresses and those of the networks' own and broadcast addresses are
    // left out, as no neighbour answers for them.
    static std::vector<Segment> segmentsOf(const OnLinkNetworks &networks, quint32 first, quint32 last);

    // nullptr when the packet socket is refused (no CAP_NET_RAW) and no
    // helper can be used, or it fails.
    static std::unique_ptr<ArpSweep> open(QObject *parent = nullptr);
    ~ArpSweep() override;

    // Asks every address of segments, one request every pacingUs (0: as fast
    // as the socket takes them), and reports replies until waitMs after the
    // last request; then finished(). Once per sweep.
    void start(std::vector<Segment> segments, int pacingUs, int waitMs);
    // Ends the sweep at once: no more requests, answers or finished().
    void stop();
    bool throughHelper() const { return m_helper != nullptr; }

    // Whether address is settled: never to be asked (it is in no segment),
    // or its wait is over and no further reply (a second MAC) can count any
    // more. Once settled it stays so. Through the helper, the wait of a segment is over
    // when the helper says the segment is done.
    bool isSettled(quint32 address) const;
    // Reads the replies that have arrived so far, before isSettled() is
    // asked while the event loop was busy.
    void collect() { m_helper ? readHelper() : readSocket(); }

    // Replies a second MAC beyond this for one address are not reported.
    static constexpr int MacsPerAddress = 4;

Q_SIGNALS:
    // A reply for an asked address (host byte order) from mac (6 bytes):
    // once per distinct MAC, the first MAC first.
    void answered(quint32 address, const QByteArray &mac);
    void finished();

private:
    ArpSweep(int fd, std::unique_ptr<arpclient::HelperProcess> helper, QObject *parent);
    void sendDue();
    bool sendRequest(const OnLinkNetwork &network, quint32 address);
    void readSocket();
    void readHelper();
    void handNextSegmentToHelper();
    void report(quint32 address, const unsigned char *mac);
    bool wasAsked(quint32 address) const;
    // The stream position of address (segments one after the other), or -1.
    qint64 positionOf(quint32 address) const;
    void finish();

    int m_fd;
    std::unique_ptr<arpclient::HelperProcess> m_helper;
    QSocketNotifier *m_notifier;
    std::vector<Segment> m_segments;
    std::size_t m_segment = 0;  // the segment being asked
    std::size_t m_position = 0; // the next address of it (in-process)
    quint64 m_sent = 0;
    int m_pacingUs = 0;
    int m_waitMs = 0;
    quint32 m_requestId = 0;
    QElapsedTimer m_clock;
    QTimer m_sendTimer;
    QTimer m_waitTimer;
    QHash<quint32, QList<QByteArray>> m_macs; // the MACs reported per address
    // In-process: (elapsed ms, requests sent by then) after every tick, to
    // tell which requests have waited long enough.
    std::vector<std::pair<qint64, quint64>> m_sentBy;
    quint64 m_settledSegments = 0; // through the helper: addresses of the segments done
    bool m_running = false;
    bool m_finished = false;
};
