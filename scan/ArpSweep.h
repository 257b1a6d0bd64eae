#pragma once

#include <QObject>

#include <memory>

struct OnLinkNetwork;
class QSocketNotifier;

// ARP requests of our own, sent and read through a packet socket: they ask
// whether an on-link address is in use without creating an entry in the
// kernel's neighbour table (replies to requests the kernel did not send are
// not learned). Needs CAP_NET_RAW.
//
// Threading: lives on the thread that opened it; answers arrive through its
// event loop, or at once from readAnswers().
class ArpSweep : public QObject
{
    Q_OBJECT

public:
    enum class Sent { Sent, Full, Failed };

    // nullptr when the packet socket is refused (no CAP_NET_RAW) or fails.
    static std::unique_ptr<ArpSweep> open(QObject *parent = nullptr);
    ~ArpSweep() override;

    // One broadcast request for address (host byte order) on network's interface.
    Sent ask(const OnLinkNetwork &network, quint32 address);

    // Reads the replies that have arrived so far.
    void readAnswers();

Q_SIGNALS:
    // An ARP reply from address (host byte order); may come more than once.
    void answered(quint32 address);

private:
    ArpSweep(int fd, QObject *parent);

    int m_fd;
    QSocketNotifier *m_notifier;
};
