#include "scan/ArpBlocksHostSource.h"

#include <QThread>

#include <algorithm>

#include "platform/Prompt.h"
#include "scan/LocalNetworks.h"
#include "scan/MacInstancePool.h"
#include "scan/MacLibrary.h"

namespace {

// How often the source looks whether the blocks' workers are done.
constexpr int WorkerPollMs = 5;

// Finished blocks waiting for the run to reach them, per lane: the run may be
// paused, and a /16 of tables (32 MiB) is not kept in memory for it.
constexpr quint32 BlocksAheadPerLane = 2;

// How many ARP time-outs a block may take before its silent workers are given up.
constexpr qint64 StuckWorkerFactor = 20;

QByteArray blockPrefix(quint32 block)
{
    return QStringLiteral("%1.%2.%3.").arg(block >> 16).arg((block >> 8) & 0xFF).arg(block & 0xFF).toLatin1();
}

} // namespace

ArpBlocksHostSource::ArpBlocksHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent)
    : HostSource(range, pacing, parent)
{
    m_pollTimer.setInterval(WorkerPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &ArpBlocksHostSource::poll);
}

ArpBlocksHostSource::~ArpBlocksHostSource()
{
    for (Lane &lane : m_lanes) {
        if (lane.starter) {
            lane.starter->wait();
            delete lane.starter;
        }
    }
    // Workers of an unfinished block may still run: the next Therad() of
    // that copy discards their table, so the copies can serve another scan.
    if (!m_copies.isEmpty())
        MacInstancePool::instance().release(m_copies);
}

void ArpBlocksHostSource::begin()
{
    // Hosts that are not on a local network never answer ARP: refuse the
    // range before the first request rather than wait for 256 silent blocks.
    const QString offLink = LocalNetworks::current().arpRefusal(range());
    if (!offLink.isEmpty()) {
        Q_EMIT failed(QLatin1String(Prompt::NoticeTitle), offLink);
        return;
    }
    const int wanted = pacing().isFast() ? MacInstancePool::MaxCopies : 1;
    Result<QList<MacLibrary *>> copies =
        MacInstancePool::instance().acquire(int(qMin<quint32>(quint32(wanted), range().networkCount())));
    if (!copies) {
        Q_EMIT failed(QLatin1String(Prompt::ErrorTitle), copies.error());
        return;
    }
    m_copies = *std::move(copies);
    Q_EMIT statusText(QStringLiteral("Preparing to scan network ..."));
    for (MacLibrary *copy : std::as_const(m_copies)) {
        copy->setPacing(pacing().paceMs);
        copy->setArpTimeout(pacing().arpTimeoutMs);
        Lane lane;
        lane.copy = copy;
        m_lanes.push_back(lane);
    }
    m_nextBlock = range().first() >> 8;
    m_handOutBlock = m_nextBlock;
    startBlocks();
    m_pollTimer.start();
}

void ArpBlocksHostSource::startBlocks()
{
    const quint32 lastBlock = range().last() >> 8;
    const quint32 aheadLimit = m_handOutBlock + BlocksAheadPerLane * quint32(m_lanes.size());
    for (Lane &lane : m_lanes) {
        if (m_nextBlock > lastBlock || m_nextBlock >= aheadLimit)
            return;
        if (!lane.starter)
            startBlock(lane, m_nextBlock++);
    }
}

void ArpBlocksHostSource::startBlock(Lane &lane, quint32 block)
{
    const quint32 firstBlock = range().first() >> 8;
    const quint32 lastBlock = range().last() >> 8;
    const int from = block == firstBlock ? int(range().first() & 0xFF) : 0;
    const int to = block == lastBlock ? int(range().last() & 0xFF) : 255;
    MacLibrary *copy = lane.copy;
    const QByteArray prefix = blockPrefix(block);
    lane.block = block;
    lane.sinceStarted.invalidate();
    lane.starter = QThread::create([copy, prefix, from, to] { copy->therad(prefix, from, to); });
    lane.starter->start();
}

void ArpBlocksHostSource::poll()
{
    if (m_aborted)
        return;
    for (Lane &lane : m_lanes) {
        if (lane.starter)
            finishBlockIfDone(lane);
    }
    startBlocks();
    const bool anyRunning =
        std::any_of(m_lanes.cbegin(), m_lanes.cend(), [](const Lane &l) { return l.starter; });
    if (!anyRunning && m_nextBlock > (range().last() >> 8))
        m_pollTimer.stop();
    handOut();
}

bool ArpBlocksHostSource::finishBlockIfDone(Lane &lane)
{
    if (!lane.starter->isFinished())
        return false;
    if (!lane.sinceStarted.isValid())
        lane.sinceStarted.start();
    // Every worker has answered or failed. Each one gives up one ARP time-out
    // after it began, but with thousands of workers on a busy machine it may
    // begin late, so the count decides; only a library that cannot count is
    // given one time-out after the last start (as for one network), and a
    // worker that never ends does not hold the scan for good.
    const int pending = lane.copy->pendingWorkers();
    const qint64 elapsed = lane.sinceStarted.elapsed();
    const qint64 limit = pending < 0 ? pacing().arpTimeoutMs + 100
                                     : StuckWorkerFactor * pacing().arpTimeoutMs;
    if (pending != 0 && elapsed <= limit)
        return false;
    QByteArray table;
    lane.copy->revData(&table);
    m_tables.insert(lane.block, table);
    m_furtherMacs.insert(lane.block, lane.copy->furtherMacs(table));
    delete lane.starter;
    lane.starter = nullptr;
    return true;
}

void ArpBlocksHostSource::request(quint32 index)
{
    m_wanted = index;
    // Never answered from within request(): handOut() emits.
    QMetaObject::invokeMethod(this, &ArpBlocksHostSource::handOut, Qt::QueuedConnection);
}

void ArpBlocksHostSource::handOut()
{
    if (m_aborted)
        return;
    if (!m_prepared) {
        if (!m_tables.contains(range().first() >> 8))
            return;
        m_prepared = true;
        Q_EMIT statusText(QStringLiteral("Starting Netkestrel. Program is loading data"));
        Q_EMIT prepared();
        return;
    }
    if (!m_wanted)
        return;
    const quint32 index = *m_wanted;
    const quint32 block = blockOf(index);
    if (block != m_handOutBlock) {
        m_tables.remove(m_handOutBlock); // the run has passed it
        m_furtherMacs.remove(m_handOutBlock);
        m_handOutBlock = block;
        startBlocks();
    }
    const auto table = m_tables.constFind(block);
    if (table == m_tables.constEnd())
        return; // poll() hands it out once the block is done
    m_wanted.reset();

    const quint32 address = range().first() + index;
    const int slot = int(address & 0xFF);
    HostResult result;
    result.key = QStringLiteral("MAC%1").arg(slot);
    result.address = range().addressText(index);
    const QString mac = MacLibrary::slotText(*table, slot, MacLibrary::MacOffset);
    if (!mac.isEmpty()) {
        result.address = MacLibrary::slotText(*table, slot, 0);
        result.macAddress = mac;
        result.otherMacs = m_furtherMacs.value(block).value(slot);
    }
    Q_EMIT hostReady(index, result);
}

void ArpBlocksHostSource::abort()
{
    m_pollTimer.stop();
    m_aborted = true;
}
