#include "scan/UdpHostSource.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "mac/NeighbourBudget.h"
#include "platform/Prompt.h"
#include "scan/ArpSweep.h"
#include "scan/NeighbourTable.h"
#include "scan/NodeStatusMessage.h"
#include "scan/SocketLayer.h"

namespace {

// The pause before a query that found every send buffer full is tried again.
constexpr int RetryMs = 2;
// How often the on-link host the run waits for is looked at during the
// sweep: its ARP wait may end without any event.
constexpr int SettlePollMs = 5;

bool isBufferFull(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS || error == ENOMEM;
}

} // namespace

UdpHostSource::UdpHostSource(const ScanRange &range, const Pacing &pacing, QObject *parent)
    : HostSource(range, pacing, parent),
      m_budget(&mac::NeighbourBudget::process()),
      m_window(pacing.isFast() ? FastWindow : 1)
{
    m_deadlineTimer.setSingleShot(true);
    m_deadlineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &UdpHostSource::onTimer);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setTimerType(Qt::PreciseTimer);
    m_retryTimer.setInterval(RetryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &UdpHostSource::sendDue);
}

UdpHostSource::~UdpHostSource()
{
    closeSockets();
}

void UdpHostSource::begin()
{
    if (!StartWinsock() || !openSocket()) {
        Q_EMIT failed(QLatin1String(Prompt::ErrorTitle), QStringLiteral("Winsock Initialization Error !"));
        return;
    }
    m_query = NodeStatusMessage::request();
    m_slots.assign(range().count(), SlotState::Unsent);
    m_networks = OnLinkNetworks::ofThisHost();
    m_clock.start();
    if (pacing().isFast() && m_networks.touches(range().first(), range().last()))
        startSweep();
    Q_EMIT prepared();
}

void UdpHostSource::startSweep()
{
    m_sweep = ArpSweep::open();
    if (!m_sweep)
        return;
    std::vector<ArpSweep::Segment> segments =
        ArpSweep::segmentsOf(m_networks, range().first(), range().last());
    for (const ArpSweep::Segment &segment : segments) {
        for (const quint32 address : segment.addresses)
            m_slots[address - range().first()] = SlotState::Probing;
    }
    connect(m_sweep.get(), &ArpSweep::answered, this, [this](quint32 address) { arpAnswered(address); });
    connect(m_sweep.get(), &ArpSweep::finished, this, &UdpHostSource::sweepFinished);
    m_sweep->start(std::move(segments), SweepPacingUs, pacing().arpTimeoutMs);
}

bool UdpHostSource::openSocket()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0)
        return false;
    m_sockets.push_back(fd);
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, fd] { readAnswers(fd); });
    m_notifiers.push_back(notifier);
    return true;
}

void UdpHostSource::closeSockets()
{
    qDeleteAll(m_notifiers);
    m_notifiers.clear();
    for (int fd : m_sockets)
        ::close(fd);
    m_sockets.clear();
}

void UdpHostSource::request(quint32 index)
{
    if (m_aborted || index >= m_slots.size())
        return;
    m_asked = index;
    m_sendLimit = qMax(m_sendLimit, quint32(qMin<quint64>(m_slots.size(), quint64(index) + m_window)));
    if (m_slots[index] == SlotState::Done)
        deliverLater(index);
    sendDue();
}

void UdpHostSource::sendDue()
{
    m_waitingForRoom = false;
    // Hosts that answered ARP first: they are older than any host not asked yet.
    while (!m_aborted && !m_live.empty()) {
        const quint32 index = m_live.front();
        const SendResult sent = sendQuery(index, true);
        if (sent == SendResult::Full)
            m_retryTimer.start();
        if (sent == SendResult::Full || sent == SendResult::NoRoom) {
            armTimer();
            return;
        }
        m_live.pop_front();
        started(index, sent);
    }
    while (!m_aborted && m_nextToSend < m_sendLimit && sendNext()) {
    }
    armTimer();
}

bool UdpHostSource::sendNext()
{
    const quint32 index = m_nextToSend;
    const OnLinkNetwork *network = m_networks.find(range().first() + index);
    if (network && m_sweep) {
        // The sweep asks it; its answer queues the query.
        ++m_nextToSend;
        return true;
    }
    const SendResult sent = sendQuery(index, network != nullptr);
    if (sent == SendResult::Full)
        m_retryTimer.start();
    if (sent == SendResult::Full || sent == SendResult::NoRoom)
        return false;
    ++m_nextToSend;
    started(index, sent);
    return true;
}

void UdpHostSource::started(quint32 index, SendResult sent)
{
    if (sent == SendResult::Sent) {
        m_slots[index] = SlotState::InFlight;
        m_inFlight.push_back({index, m_clock.elapsed() + NodeStatusMessage::AnswerTimeMs});
    } else {
        // No route, a broadcast address, ...: the host cannot answer.
        completeSilent(index);
    }
}

UdpHostSource::SendResult UdpHostSource::sendQuery(quint32 index, bool onLink)
{
    if (onLink && !m_budget->tryTake(range().first() + index, mac::NeighbourBudget::Clock::now())) {
        m_waitingForRoom = true;
        return SendResult::NoRoom;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(NodeStatusMessage::Port);
    to.sin_addr.s_addr = htonl(range().first() + index);
    for (std::size_t i = 0;; ++i) {
        if (i == m_sockets.size() && (m_sockets.size() >= std::size_t(MaxSockets) || !openSocket()))
            return SendResult::Full;
        const ssize_t sent = ::sendto(m_sockets[i], m_query.constData(), std::size_t(m_query.size()), 0,
                                      reinterpret_cast<sockaddr *>(&to), sizeof to);
        if (sent >= 0)
            return SendResult::Sent;
        if (errno == EINTR) {
            --i;
            continue;
        }
        if (!isBufferFull(errno))
            return SendResult::Failed;
    }
}

void UdpHostSource::readAnswers(int fd)
{
    for (;;) {
        char buffer[NodeStatusMessage::ReceiveSize];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return; // drained (or an error the next datagram may not have)
        }
        if (m_aborted)
            continue;
        const quint32 source = ntohl(from.sin_addr.s_addr);
        const quint16 port = ntohs(from.sin_port);
        if (source < range().first() || source > range().last())
            continue;
        const quint32 index = source - range().first();
        if (m_slots[index] != SlotState::InFlight)
            continue; // not asked yet, or its time is over
        answer(index, NodeStatusMessage::parseReply(QByteArrayView(buffer, got), source, port, source),
               source);
    }
}

void UdpHostSource::arpAnswered(quint32 address)
{
    if (m_aborted || address < range().first() || address > range().last())
        return;
    const quint32 index = address - range().first();
    if (m_slots[index] != SlotState::Probing)
        return; // a second reply, or one for a host not asked (or no longer waited for)
    m_slots[index] = SlotState::Live;
    m_live.push_back(index);
    sendDue();
}

void UdpHostSource::sweepFinished()
{
    if (m_aborted)
        return;
    for (quint32 index = 0; index < m_slots.size(); ++index) {
        if (m_slots[index] == SlotState::Probing)
            completeSilent(index);
    }
    armTimer();
}

void UdpHostSource::answer(quint32 index, const NodeStatusReply &reply, quint32 source)
{
    HostResult result;
    result.address = range().addressText(index);
    if (reply.answered) {
        result.macAddress = NeighbourTable::shownMac(reply, source);
        if (!reply.unitIdIsZero()) {
            const QString neighbour = NeighbourTable::macText(source);
            if (!neighbour.isEmpty() && neighbour.compare(result.macAddress, Qt::CaseInsensitive) != 0)
                result.neighbourMac = neighbour;
        }
        result.hostName = reply.hostName;
        result.workgroup = reply.workgroup;
    }
    complete(index, result);
}

void UdpHostSource::onTimer()
{
    settleAskedProbe();
    expireQueries();
    sendDue();
}

void UdpHostSource::expireQueries()
{
    const qint64 now = m_clock.elapsed();
    while (!m_inFlight.empty() && m_inFlight.front().deadline <= now) {
        const quint32 index = m_inFlight.front().index;
        m_inFlight.pop_front();
        if (m_slots[index] == SlotState::InFlight)
            completeSilent(index);
    }
}

void UdpHostSource::settleAskedProbe()
{
    if (!m_sweep || !m_asked || m_slots[*m_asked] != SlotState::Probing)
        return;
    // Replies that arrived while the loop was busy still count.
    m_sweep->collect();
    if (m_slots[*m_asked] == SlotState::Probing && m_sweep->isSettled(range().first() + *m_asked))
        completeSilent(*m_asked);
}

void UdpHostSource::armTimer()
{
    // Entries that were answered stay in the queues until they are due.
    while (!m_inFlight.empty() && m_slots[m_inFlight.front().index] != SlotState::InFlight)
        m_inFlight.pop_front();
    std::optional<qint64> due;
    const auto earliest = [&due](qint64 at) { due = due ? qMin(*due, at) : at; };
    if (!m_inFlight.empty())
        earliest(m_inFlight.front().deadline);
    const qint64 now = m_clock.elapsed();
    // The host the run waits for is settled by the sweep's clock alone.
    if (m_asked && m_slots[*m_asked] == SlotState::Probing)
        earliest(now + SettlePollMs);
    if (m_waitingForRoom) {
        using namespace std::chrono;
        const auto clockNow = mac::NeighbourBudget::Clock::now();
        const auto release = m_budget->nextRelease(clockNow).value_or(clockNow);
        earliest(now + ceil<milliseconds>(release - clockNow).count());
    }
    if (!due || m_aborted) {
        m_deadlineTimer.stop();
        return;
    }
    m_deadlineTimer.start(int(qMax<qint64>(0, *due - now)));
}

void UdpHostSource::complete(quint32 index, const HostResult &result)
{
    m_slots[index] = SlotState::Done;
    m_results.insert(index, result);
    if (m_asked == index)
        deliverLater(index);
}

void UdpHostSource::completeSilent(quint32 index)
{
    // No result is kept: a silent host's is made when it is handed out, so
    // a large silent range costs a byte per host.
    m_slots[index] = SlotState::Done;
    if (m_asked == index)
        deliverLater(index);
}

void UdpHostSource::deliverLater(quint32 index)
{
    // Always from the event loop, never inside request() or a read.
    QMetaObject::invokeMethod(
        this,
        [this, index] {
            if (m_aborted || m_asked != index || m_slots[index] != SlotState::Done)
                return;
            m_asked.reset();
            HostResult result = m_results.take(index);
            if (result.address.isEmpty())
                result.address = range().addressText(index);
            Q_EMIT hostReady(index, result);
        },
        Qt::QueuedConnection);
}

void UdpHostSource::abort()
{
    m_aborted = true;
    m_deadlineTimer.stop();
    m_retryTimer.stop();
    closeSockets();
    m_sweep.reset();
    m_inFlight.clear();
    m_live.clear();
    m_results.clear();
}
