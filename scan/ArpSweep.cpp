#include "scan/ArpSweep.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "mac/ArpFrame.h"
#include "mac/helper/ArpClient.h"

namespace {

// A helper that has not greeted by then is not waited for.
constexpr std::chrono::milliseconds GreetingLimit{2000};
// The sender's tick: requests due since the last one go out together, so a
// pace of a few microseconds costs no timer per request.
constexpr int SendTickMs = 1;
// Requests sent in one go when no pace is set; a full socket buffer ends
// the go early, and the next tick goes on.
constexpr int UnpacedBurst = 512;
// How much longer than its requests and its wait a sweep through the
// helper may take before it counts as over.
constexpr qint64 HelperGraceMs = 2000;

} // namespace

std::vector<ArpSweep::Segment> ArpSweep::segmentsOf(const OnLinkNetworks &networks, quint32 first,
                                                    quint32 last)
{
    std::vector<Segment> segments;
    for (quint64 address = first; address <= last; ++address) {
        const OnLinkNetwork *network = networks.find(quint32(address));
        if (!network)
            continue;
        if (segments.empty() || segments.back().network.interfaceIndex != network->interfaceIndex ||
            segments.back().network.network != network->network ||
            segments.back().addresses.size() >= arpproto::maxAddresses)
            segments.push_back({*network, {}});
        segments.back().addresses.push_back(quint32(address));
    }
    return segments;
}

std::unique_ptr<ArpSweep> ArpSweep::open(QObject *parent)
{
    const int fd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd >= 0) {
        ArpFrame::keepOnlyReplies(fd);
        return std::unique_ptr<ArpSweep>(new ArpSweep(fd, nullptr, parent));
    }
    if (errno != EPERM && errno != EACCES)
        return nullptr;
    arpclient::HelperProcess::StartError error = arpclient::HelperProcess::StartError::None;
    std::unique_ptr<arpclient::HelperProcess> helper = arpclient::HelperProcess::start(
        arpclient::helperPaths(arpclient::programFolder()), GreetingLimit, &error);
    if (!helper)
        return nullptr;
    return std::unique_ptr<ArpSweep>(new ArpSweep(-1, std::move(helper), parent));
}

ArpSweep::ArpSweep(int fd, std::unique_ptr<arpclient::HelperProcess> helper, QObject *parent)
    : QObject(parent),
      m_fd(fd),
      m_helper(std::move(helper)),
      m_notifier(new QSocketNotifier(m_helper ? m_helper->fd() : fd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &ArpSweep::collect);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    m_sendTimer.setInterval(SendTickMs);
    connect(&m_sendTimer, &QTimer::timeout, this, &ArpSweep::sendDue);
    m_waitTimer.setSingleShot(true);
    m_waitTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_waitTimer, &QTimer::timeout, this, &ArpSweep::finish);
}

ArpSweep::~ArpSweep()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void ArpSweep::start(std::vector<Segment> segments, int pacingUs, int waitMs)
{
    m_segments = std::move(segments);
    m_segment = m_position = 0;
    m_sent = 0;
    m_pacingUs = qMax(0, pacingUs);
    m_waitMs = qMax(0, waitMs);
    m_macs.clear();
    m_sentBy.clear();
    m_settledSegments = 0;
    m_finished = false;
    m_running = true;
    m_clock.start();
    if (m_helper) {
        handNextSegmentToHelper();
        return;
    }
    sendDue();
    if (m_running && m_segment < m_segments.size())
        m_sendTimer.start();
}

void ArpSweep::stop()
{
    m_running = false;
    m_sendTimer.stop();
    m_waitTimer.stop();
    if (m_helper)
        m_helper.reset(); // its end of input ends it, with the requests it still had
    if (m_notifier)
        m_notifier->setEnabled(false);
}

void ArpSweep::sendDue()
{
    // Replies first: a flood of them must not wait behind the requests.
    readSocket();
    const quint64 due = m_pacingUs > 0 ? quint64(m_clock.nsecsElapsed() / 1000) / quint64(m_pacingUs) + 1
                                       : m_sent + UnpacedBurst;
    while (m_running && m_sent < due && m_segment < m_segments.size()) {
        const Segment &segment = m_segments[m_segment];
        if (m_position >= segment.addresses.size()) {
            ++m_segment;
            m_position = 0;
            continue;
        }
        if (!sendRequest(segment.network, segment.addresses[m_position]))
            return; // the buffer is full: the next tick goes on
        ++m_position;
        ++m_sent;
    }
    while (m_segment < m_segments.size() && m_position >= m_segments[m_segment].addresses.size()) {
        ++m_segment;
        m_position = 0;
    }
    if (m_sentBy.empty() || m_sentBy.back().second != m_sent)
        m_sentBy.emplace_back(m_clock.elapsed(), m_sent);
    if (m_running && m_segment >= m_segments.size()) {
        m_sendTimer.stop();
        m_waitTimer.start(m_waitMs);
    }
}

bool ArpSweep::sendRequest(const OnLinkNetwork &network, quint32 address)
{
    const ether_arp request =
        ArpFrame::packet(ARPOP_REQUEST, reinterpret_cast<const unsigned char *>(network.hardware.constData()),
                         in_addr{htonl(network.ownAddress)}, in_addr{htonl(address)});
    const sockaddr_ll broadcast = ArpFrame::broadcastOn(network.interfaceIndex);
    for (;;) {
        if (::sendto(m_fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&broadcast),
                     sizeof broadcast) >= 0)
            return true;
        if (errno == EINTR)
            continue;
        // Anything but a full buffer (the interface went down, ...): this
        // address stays unanswered and the stream goes on.
        return !(errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS || errno == ENOMEM);
    }
}

bool ArpSweep::wasAsked(quint32 address) const
{
    for (std::size_t i = 0; i <= m_segment && i < m_segments.size(); ++i) {
        const std::vector<quint32> &addresses = m_segments[i].addresses;
        const std::size_t asked = i < m_segment ? addresses.size() : m_position;
        if (std::binary_search(addresses.begin(), addresses.begin() + qsizetype(asked), address))
            return true;
    }
    return false;
}

qint64 ArpSweep::positionOf(quint32 address) const
{
    qint64 before = 0;
    for (const Segment &segment : m_segments) {
        const auto found = std::lower_bound(segment.addresses.begin(), segment.addresses.end(), address);
        if (found != segment.addresses.end() && *found == address)
            return before + (found - segment.addresses.begin());
        before += qint64(segment.addresses.size());
    }
    return -1;
}

bool ArpSweep::isSettled(quint32 address) const
{
    if (m_finished)
        return true;
    const qint64 position = positionOf(address);
    if (position < 0)
        return true;
    if (m_helper)
        return quint64(position) < m_settledSegments;
    // The requests sent by the last tick that is a whole wait ago.
    const qint64 waitedSince = m_clock.elapsed() - m_waitMs;
    const auto tick =
        std::upper_bound(m_sentBy.begin(), m_sentBy.end(), waitedSince,
                         [](qint64 at, const std::pair<qint64, quint64> &t) { return at < t.first; });
    return tick != m_sentBy.begin() && quint64(position) < std::prev(tick)->second;
}

void ArpSweep::readSocket()
{
    // Bounded, so that a flood of replies cannot hold the event loop.
    for (int count = 0; m_fd >= 0 && count < 4096; ++count) {
        ether_arp reply{};
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = ::recvfrom(m_fd, &reply, sizeof reply, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return;
        if (!m_running || got < ssize_t(sizeof reply) || from.sll_pkttype == PACKET_OUTGOING ||
            reply.arp_hrd != htons(ARPHRD_ETHER) || reply.arp_hln != ETH_ALEN ||
            reply.arp_op != htons(ARPOP_REPLY) || reply.arp_pro != htons(ETH_P_IP) || reply.arp_pln != 4)
            continue;
        quint32 sender = 0;
        std::memcpy(&sender, reply.arp_spa, 4);
        sender = ntohl(sender);
        const auto segment = std::find_if(m_segments.begin(), m_segments.end(), [&](const Segment &s) {
            return s.network.interfaceIndex == from.sll_ifindex &&
                   (sender & s.network.mask) == s.network.network;
        });
        if (segment != m_segments.end() && wasAsked(sender))
            report(sender, reply.arp_sha);
    }
}

void ArpSweep::report(quint32 address, const unsigned char *mac)
{
    const QByteArray bytes(reinterpret_cast<const char *>(mac), ETH_ALEN);
    QList<QByteArray> &macs = m_macs[address];
    if (macs.contains(bytes) || macs.size() >= MacsPerAddress)
        return; // a duplicate reply, or one MAC too many for one address
    macs.append(bytes);
    Q_EMIT answered(address, bytes);
}

void ArpSweep::handNextSegmentToHelper()
{
    while (m_running && m_segment < m_segments.size()) {
        const Segment &segment = m_segments[m_segment];
        char name[IF_NAMESIZE];
        if (!segment.addresses.empty() && if_indextoname(unsigned(segment.network.interfaceIndex), name)) {
            m_requestId = m_requestId == 0xFFFFFFFFu ? 1 : m_requestId + 1;
            if (m_helper->send(arpclient::requestLine(arpproto::Kind::Sweep, m_requestId, name,
                                                      quint32(m_waitMs), quint32(m_pacingUs),
                                                      segment.addresses))) {
                // Its "done" hands over the next one; a helper that never
                // says it is not waited for beyond the sweep's own time.
                const qint64 sending = qint64(segment.addresses.size()) * m_pacingUs / 1000;
                m_waitTimer.start(int(qMin<qint64>(sending + m_waitMs + HelperGraceMs, 24 * 3600 * 1000)));
                return;
            }
            break; // gone, or no longer reading
        }
        ++m_segment; // the interface went away: its addresses stay unanswered
    }
    finish();
}

void ArpSweep::readHelper()
{
    if (!m_helper)
        return;
    std::vector<std::string> lines;
    const bool open = m_helper->read(lines);
    for (const std::string &line : lines) {
        arpclient::Answer answer;
        if (!m_running || !arpclient::parseAnswer(line, answer) || answer.id != m_requestId)
            continue;
        if (answer.type == arpclient::Answer::Type::Mac) {
            report(answer.address, answer.mac);
        } else {
            // Done, or refused (the interface went away): the next segment.
            m_settledSegments += m_segments[m_segment].addresses.size();
            ++m_segment;
            handNextSegmentToHelper();
        }
    }
    if (!open && m_running) {
        // The addresses it still had are never answered.
        m_notifier->setEnabled(false);
        finish();
    }
}

void ArpSweep::finish()
{
    if (!m_running)
        return;
    if (!m_helper)
        readSocket(); // replies that came while the loop was busy still count
    m_running = false;
    m_finished = true;
    m_sendTimer.stop();
    m_waitTimer.stop();
    Q_EMIT finished();
}
