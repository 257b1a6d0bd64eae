#pragma once

#include <QHash>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

#include "scan/HostSource.h"
#include "scan/OnLinkNetworks.h"

class ArpSweep;

// The fast pacing of the ARP method over an on-link range: one batch sweep
// (ArpSweep) asks every address once as a paced stream, and one receiver
// collects every reply, instead of one waiting worker per host. A host is
// handed out once it is settled: asked longer ago than the ARP time-out, so
// that every MAC that answers for it is heard. The rows follow the stream a
// time-out behind (the last host ends the sweep either way), and
// Pause and Stop act between hosts as they always do. The default pacing
// keeps the resolver library (ArpHostSource, ArpBlocksHostSource).
//
// Every MAC that answered an address is kept: the row shows the first, the
// others go with the result as otherMacs.
//
// Threading: created and used on the run's thread.
class ArpBatchHostSource : public HostSource
{
    Q_OBJECT

public:
    // The pace of --pace-ms 0: at most 200,000 requests a second (a /16 in
    // a third of a second), about 100 Mb/s of minimum-size broadcast frames,
    // a tenth of a gigabit link. Any other fast pace is taken in
    // milliseconds per request, as the option says.
    static constexpr int FastestPacingUs = 5;

    // Whether every address of the range lies in one of networks, the only
    // ranges a batch sweep can ask whole.
    static bool covers(const OnLinkNetworks &networks, const ScanRange &range);

    ArpBatchHostSource(const ScanRange &range, const Pacing &pacing, std::unique_ptr<ArpSweep> sweep,
                       OnLinkNetworks networks, QObject *parent = nullptr);
    ~ArpBatchHostSource() override;

    void begin() override;
    void request(quint32 index) override;
    void abort() override;

private:
    void answered(quint32 address, const QByteArray &mac);
    void deliverIfSettled();

    std::unique_ptr<ArpSweep> m_sweep;
    OnLinkNetworks m_networks;
    QHash<quint32, QStringList> m_macs; // by address: MAC texts, in the order heard
    std::optional<quint32> m_asked;     // the host the run waits for
    QTimer m_settleTimer;
    bool m_aborted = false;
};
