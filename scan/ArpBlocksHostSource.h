#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QTimer>

#include <optional>
#include <vector>

#include "scan/HostSource.h"

class MacLibrary;
class QThread;

// The ARP method for a range across several /24 networks: each network is a
// block that one copy of the resolver library resolves as it resolves the
// one network of the window's scan (all its hosts at once, the results copied
// once every worker has answered or given up). The fast pacing resolves
// several blocks at once, one library copy each (MacInstancePool); the
// default pacing one block after the other. Hosts are handed out in address
// order whatever order the blocks finish in.
//
// Threading: created and used on the run's thread; each block's Therad()
// runs on a thread of its own, since it paces its worker starts.
class ArpBlocksHostSource : public HostSource
{
    Q_OBJECT

public:
    ArpBlocksHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent = nullptr);
    ~ArpBlocksHostSource() override;

    void begin() override;
    void request(quint32 index) override;
    void abort() override;

private:
    // One library copy and the block it is resolving.
    struct Lane
    {
        MacLibrary *copy = nullptr;
        QThread *starter = nullptr; // running Therad(); null when the lane is idle
        quint32 block = 0;
        QElapsedTimer sinceStarted; // valid once Therad() has returned
    };

    void startBlocks();
    void startBlock(Lane &lane, quint32 block);
    void poll();
    bool finishBlockIfDone(Lane &lane);
    void handOut();
    quint32 blockOf(quint32 index) const { return (range().first() + index) >> 8; }

    std::vector<Lane> m_lanes;
    QList<MacLibrary *> m_copies;
    QHash<quint32, QByteArray> m_tables;                   // finished blocks not yet handed out in full
    QHash<quint32, QHash<int, QStringList>> m_furtherMacs; // their further MACs by slot
    quint32 m_nextBlock = 0;                               // the next block to start
    quint32 m_handOutBlock = 0;                            // the block of the host the run asks for next
    std::optional<quint32> m_wanted;                       // the host asked for, until it is handed out
    QTimer m_pollTimer;
    bool m_prepared = false;
    bool m_aborted = false;
};
