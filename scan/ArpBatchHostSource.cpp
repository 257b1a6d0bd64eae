#include "scan/ArpBatchHostSource.h"

#include "scan/ArpSweep.h"

namespace {

// How often a host the run waits for is looked at again while no reply
// comes: its wait may end without any event.
constexpr int SettlePollMs = 5;

QString macText(const QByteArray &mac)
{
    return QString::fromLatin1(mac.toHex('-').toUpper());
}

} // namespace

bool ArpBatchHostSource::covers(const OnLinkNetworks &networks, const ScanRange &range)
{
    for (quint64 address = range.first(); address <= range.last(); ++address) {
        if (!networks.spans(quint32(address)))
            return false;
    }
    return true;
}

ArpBatchHostSource::ArpBatchHostSource(const ScanRange &range, const Pacing &pacing,
                                       std::unique_ptr<ArpSweep> sweep, OnLinkNetworks networks,
                                       QObject *parent)
    : HostSource(range, pacing, parent), m_sweep(std::move(sweep)), m_networks(std::move(networks))
{
    connect(m_sweep.get(), &ArpSweep::answered, this, &ArpBatchHostSource::answered);
    connect(m_sweep.get(), &ArpSweep::finished, this, &ArpBatchHostSource::deliverIfSettled);
    m_settleTimer.setInterval(SettlePollMs);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        m_sweep->collect();
        deliverIfSettled();
    });
}

ArpBatchHostSource::~ArpBatchHostSource() = default;

void ArpBatchHostSource::begin()
{
    Q_EMIT statusText(QStringLiteral("Preparing to scan network ..."));
    // Our own addresses answer with our own MAC, as the resolver library
    // answers for them.
    for (quint64 address = range().first(); address <= range().last(); ++address) {
        if (const std::optional<QByteArray> own = m_networks.ownHardware(quint32(address)))
            m_macs[quint32(address)].append(macText(*own));
    }
    const int pacingUs = pacing().paceMs == 0 ? FastestPacingUs : pacing().paceMs * 1000;
    m_sweep->start(ArpSweep::segmentsOf(m_networks, range().first(), range().last()), pacingUs,
                   pacing().arpTimeoutMs);
    Q_EMIT statusText(QStringLiteral("Starting Netkestrel. Program is loading data"));
    Q_EMIT prepared();
}

void ArpBatchHostSource::answered(quint32 address, const QByteArray &mac)
{
    if (address < range().first() || address > range().last())
        return;
    QStringList &macs = m_macs[address];
    const QString text = macText(mac);
    if (!macs.contains(text))
        macs.append(text);
    deliverIfSettled();
}

void ArpBatchHostSource::request(quint32 index)
{
    if (m_aborted || index >= range().count())
        return;
    m_asked = index;
    // Always from the event loop, never inside request() itself.
    QMetaObject::invokeMethod(this, &ArpBatchHostSource::deliverIfSettled, Qt::QueuedConnection);
}

void ArpBatchHostSource::deliverIfSettled()
{
    if (m_aborted || !m_asked)
        return;
    const quint32 index = *m_asked;
    const quint32 address = range().first() + index;
    // An answered host waits out its time too: a second MAC that answers
    // for the address is a conflict to report.
    if (!m_sweep->isSettled(address)) {
        if (!m_settleTimer.isActive())
            m_settleTimer.start();
        return;
    }
    m_settleTimer.stop();
    m_asked.reset();
    HostResult result;
    result.key = QStringLiteral("MAC%1").arg(address & 0xFF);
    result.address = range().addressText(index);
    if (const auto macs = m_macs.constFind(address); macs != m_macs.constEnd() && !macs->isEmpty()) {
        result.macAddress = macs->first();
        result.otherMacs = macs->mid(1);
    }
    m_macs.remove(address);
    Q_EMIT hostReady(index, result);
}

void ArpBatchHostSource::abort()
{
    m_aborted = true;
    m_settleTimer.stop();
    m_sweep->stop();
}
