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

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "mac/ArpFrame.h"
#include "mac/helper/ArpClient.h"
#include "scan/OnLinkNetworks.h"

namespace {

// A helper that has not greeted by then is not waited for.
constexpr std::chrono::milliseconds GreetingLimit{2000};
// Requests for the helper are gathered this long, so that a scan hands it a
// few sweeps a second and not one per address.
constexpr int GatherMs = 2;
// A reply later than this after its request is of no use to any caller.
constexpr quint32 SweepWaitMs = 250;
// Addresses in one sweep: its line stays far below the helper's limit even
// when none of them are neighbours.
constexpr std::size_t SweepAddresses = 128;

} // namespace

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
    connect(m_notifier, &QSocketNotifier::activated, this, &ArpSweep::readAnswers);
    m_handOver.setSingleShot(true);
    m_handOver.setInterval(GatherMs);
    connect(&m_handOver, &QTimer::timeout, this, &ArpSweep::handOver);
}

ArpSweep::~ArpSweep()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

ArpSweep::Sent ArpSweep::ask(const OnLinkNetwork &network, quint32 address)
{
    if (m_helper) {
        if (!m_notifier)
            return Sent::Failed; // the helper is gone: the address stays unanswered
        m_gathered[network.interfaceIndex].push_back(address);
        if (!m_handOver.isActive())
            m_handOver.start();
        return Sent::Sent;
    }
    const ether_arp request =
        ArpFrame::packet(ARPOP_REQUEST, reinterpret_cast<const unsigned char *>(network.hardware.constData()),
                         in_addr{htonl(network.ownAddress)}, in_addr{htonl(address)});
    const sockaddr_ll broadcast = ArpFrame::broadcastOn(network.interfaceIndex);
    for (;;) {
        if (::sendto(m_fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&broadcast),
                     sizeof broadcast) >= 0)
            return Sent::Sent;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS || errno == ENOMEM ? Sent::Full
                                                                                              : Sent::Failed;
    }
}

void ArpSweep::handOver()
{
    for (auto gathered = m_gathered.begin(); gathered != m_gathered.end(); ++gathered) {
        char name[IF_NAMESIZE];
        const std::vector<quint32> &addresses = gathered.value();
        if (!m_notifier || !if_indextoname(unsigned(gathered.key()), name))
            continue;
        for (std::size_t from = 0; from < addresses.size(); from += SweepAddresses) {
            const std::vector<quint32> part(
                addresses.begin() + qsizetype(from),
                addresses.begin() + qsizetype(qMin(addresses.size(), from + SweepAddresses)));
            m_lastId = m_lastId == 0xFFFFFFFFu ? 1 : m_lastId + 1;
            if (!m_helper->send(
                    arpclient::requestLine(arpproto::Kind::Sweep, m_lastId, name, SweepWaitMs, 0, part)))
                break; // gone, or no longer reading: its answers stop too
        }
    }
    m_gathered.clear();
}

void ArpSweep::readHelper()
{
    std::vector<std::string> lines;
    const bool open = m_helper->read(lines);
    for (const std::string &line : lines) {
        arpclient::Answer answer;
        if (arpclient::parseAnswer(line, answer) && answer.type == arpclient::Answer::Type::Mac)
            Q_EMIT answered(answer.address);
    }
    if (!open) {
        // The addresses it still had are never answered.
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
}

void ArpSweep::readAnswers()
{
    if (m_helper) {
        if (m_notifier)
            readHelper();
        return;
    }
    for (;;) {
        ether_arp reply{};
        const ssize_t got = ::recv(m_fd, &reply, sizeof reply, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (got < ssize_t(sizeof reply) || reply.arp_op != htons(ARPOP_REPLY) ||
            reply.arp_pro != htons(ETH_P_IP) || reply.arp_pln != 4)
            continue;
        quint32 sender = 0;
        std::memcpy(&sender, reply.arp_spa, 4);
        Q_EMIT answered(ntohl(sender));
    }
}
