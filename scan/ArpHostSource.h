#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include "scan/HostSource.h"

class MacLibrary;

// The ARP method: the resolver library asks every host of the /24 range at
// once on its own worker threads; the results are copied once, after every
// worker has answered or given up, and then handed out host by host.
//
// Therad() paces its worker starts and takes up to 15 ms per host, so it runs
// on a thread of its own; the event loop of the run's thread stays free.
class ArpHostSource : public HostSource
{
    Q_OBJECT

public:
    ArpHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent = nullptr);
    ~ArpHostSource() override;

    void begin() override;
    void request(quint32 index) override;
    void abort() override;

private:
    void startedAll();
    void waitForWorkers();
    void copyResults();

    MacLibrary *m_library = nullptr;
    QThread *m_starter = nullptr;
    QTimer m_waitTimer;
    QElapsedTimer m_waitClock;
    QByteArray m_table;
    QHash<int, QStringList> m_furtherMacs; // by slot
    bool m_aborted = false;
};
