#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

struct OnLinkNetwork;
class QSocketNotifier;
namespace arpclient {
class HelperProcess;
}

// ARP requests of our own, sent and read through a packet socket: they ask
// whether an on-link address is in use without creating an entry in the
// kernel's neighbour table (replies to requests the kernel did not send are
// not learned). Needs CAP_NET_RAW: in this process, or else in netkestrel-arp,
// the helper that holds it, which then sends the requests. Requests for the
// helper are gathered for a moment and handed over as one sweep.
//
// Threading: lives on the thread that opened it; answers arrive through its
// event loop, or at once from readAnswers().
class ArpSweep : public QObject
{
    Q_OBJECT

public:
    enum class Sent { Sent, Full, Failed };

    // nullptr when the packet socket is refused (no CAP_NET_RAW) and no
    // helper can be used, or it fails.
    static std::unique_ptr<ArpSweep> open(QObject *parent = nullptr);
    ~ArpSweep() override;

    // One broadcast request for address (host byte order) on network's
    // interface. Through the helper, Failed once it is gone.
    Sent ask(const OnLinkNetwork &network, quint32 address);

    // Reads the replies that have arrived so far.
    void readAnswers();

Q_SIGNALS:
    // An ARP reply from address (host byte order); may come more than once.
    void answered(quint32 address);

private:
    ArpSweep(int fd, std::unique_ptr<arpclient::HelperProcess> helper, QObject *parent);
    void handOver();
    void readHelper();

    int m_fd;
    std::unique_ptr<arpclient::HelperProcess> m_helper;
    QSocketNotifier *m_notifier;
    QHash<int, std::vector<quint32>> m_gathered; // by interface index, for the helper
    QTimer m_handOver;
    quint32 m_lastId = 0;
};
