#include "ArpSweep.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "ArpFrame.h"
#include "OnLinkNetworks.h"

namespace {

// Lets only ARP replies through: a packet socket also sees every frame the
// host sends, our own thousands of requests among them.
void attachReplyFilter(int fd)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, offsetof(ether_arp, arp_op)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ARPOP_REPLY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program); // only an optimisation
}

} // namespace

std::unique_ptr<ArpSweep> ArpSweep::open(QObject *parent)
{
    const int fd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd < 0)
        return nullptr;
    attachReplyFilter(fd);
    return std::unique_ptr<ArpSweep>(new ArpSweep(fd, parent));
}

ArpSweep::ArpSweep(int fd, QObject *parent)
    : QObject(parent), m_fd(fd), m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &ArpSweep::readAnswers);
}

ArpSweep::~ArpSweep()
{
    delete m_notifier;
    ::close(m_fd);
}

ArpSweep::Sent ArpSweep::ask(const OnLinkNetwork &network, quint32 address)
{
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

void ArpSweep::readAnswers()
{
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
