#include "mac/ReplyListener.h"

#include "mac/ArpFrame.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mac {

namespace {

constexpr std::uint32_t networkMask = 0xFFFFFF00;
// Room for every host of a network to answer all three requests at once
// while the receiver is not scheduled (the kernel caps it at rmem_max).
constexpr int receiveBufferBytes = 1 << 20;

std::uint32_t networkOf(in_addr address)
{
    return ntohl(address.s_addr) & networkMask;
}

// Only ARP replies whose sender lies in network are queued; the check runs
// in the kernel for every ARP packet of the interface, so it is kept short.
bool attachReplyFilter(int fd, std::uint32_t network)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, offsetof(ether_arp, arp_op)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ARPOP_REPLY, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(ether_arp, arp_spa)),
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, networkMask),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, network, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

bool isArpReply(const ether_arp &packet)
{
    return ntohs(packet.arp_hrd) == ARPHRD_ETHER && ntohs(packet.arp_pro) == ETH_P_IP &&
           packet.arp_hln == ETH_ALEN && packet.arp_pln == 4 && ntohs(packet.arp_op) == ARPOP_REPLY;
}

} // namespace

std::unique_ptr<ReplyListener> ReplyListener::open(const LocalInterface &local, in_addr member,
                                                   OpenError *error)
{
    *error = OpenError::Failed;
    // Made without a protocol, the socket receives nothing until bind below
    // has set filter, interface and protocol at once: the kernel then hooks
    // it in a single time instead of hooking, unhooking and hooking again.
    FileDescriptor socket(::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        if (errno == EPERM || errno == EACCES || errno == EAFNOSUPPORT)
            *error = OpenError::NotAllowed;
        return nullptr;
    }
    const std::uint32_t network = networkOf(member);
    if (!attachReplyFilter(socket.get(), network))
        return nullptr;
    setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ARP);
    bound.sll_ifindex = static_cast<int>(local.index);
    if (bind(socket.get(), reinterpret_cast<const sockaddr *>(&bound), sizeof bound) != 0)
        return nullptr;
    FileDescriptor wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (wake.get() < 0)
        return nullptr;

    // From here the listener's members own both descriptors, also when its
    // receiver thread cannot be started and the constructor throws.
    const int socketFd = socket.release();
    const int wakeFd = wake.release();
    std::unique_ptr<ReplyListener> listener;
    try {
        listener.reset(new ReplyListener(local, network, socketFd, wakeFd));
    } catch (...) {
        return nullptr;
    }
    *error = OpenError::None;
    return listener;
}

ReplyListener::ReplyListener(const LocalInterface &local, std::uint32_t network, int socket, int wake)
    : m_local(local), m_network(network), m_socket(socket), m_wake(wake), m_receiver([this] { receive(); })
{
}

ReplyListener::~ReplyListener()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wake.get(), &one, sizeof one);
    m_receiver.join();
}

bool ReplyListener::serves(unsigned interfaceIndex, in_addr destination) const
{
    return interfaceIndex == m_local.index && networkOf(destination) == m_network;
}

void ReplyListener::sendRequest(in_addr destination)
{
    const ether_arp request =
        ArpFrame::packet(ARPOP_REQUEST, m_local.hardware.data(), m_local.address, destination);
    const sockaddr_ll broadcast = ArpFrame::broadcastOn(static_cast<int>(m_local.index));
    sendto(m_socket.get(), &request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&broadcast),
           sizeof broadcast);
}

bool ReplyListener::waitForReply(in_addr destination, Clock::time_point until, MacAddress &out)
{
    const std::size_t hostNumber = ntohl(destination.s_addr) & ~networkMask;
    std::unique_lock lock(m_mutex);
    if (!m_answered.wait_until(lock, until, [&] { return m_answers[hostNumber].has_value(); }))
        return false;
    out = *m_answers[hostNumber];
    return true;
}

FurtherMacs ReplyListener::furtherReplies(in_addr destination, Clock::time_point until)
{
    const std::size_t hostNumber = ntohl(destination.s_addr) & ~networkMask;
    std::unique_lock lock(m_mutex);
    m_answered.wait_until(lock, until, [&] { return m_further[hostNumber].size() >= maxFurtherMacs; });
    return m_further[hostNumber];
}

void ReplyListener::receive()
{
    unsigned char packet[256];
    pollfd waiting[2] = {{m_socket.get(), POLLIN, 0}, {m_wake.get(), POLLIN, 0}};
    for (;;) {
        if (poll(waiting, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (waiting[1].revents != 0)
            return;
        // Drain the queue. An error (the interface went down) ends the
        // draining; reading it has cleared it, so poll does not spin on it.
        for (;;) {
            sockaddr_ll from{};
            socklen_t fromLength = sizeof from;
            const ssize_t length = recvfrom(m_socket.get(), packet, sizeof packet, MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr *>(&from), &fromLength);
            if (length < 0)
                break;
            if (from.sll_pkttype != PACKET_OUTGOING)
                record(packet, length);
        }
    }
}

void ReplyListener::record(const unsigned char *packet, long length)
{
    if (length < static_cast<long>(sizeof(ether_arp)))
        return;
    ether_arp reply;
    std::memcpy(&reply, packet, sizeof reply);
    in_addr sender;
    std::memcpy(&sender, reply.arp_spa, sizeof sender);
    if (!isArpReply(reply) || networkOf(sender) != m_network)
        return;
    MacAddress mac;
    std::memcpy(mac.data(), reply.arp_sha, mac.size());
    const std::lock_guard lock(m_mutex);
    const std::size_t hostNumber = ntohl(sender.s_addr) & ~networkMask;
    std::optional<MacAddress> &answer = m_answers[hostNumber];
    if (answer) {
        addFurtherMac(m_further[hostNumber], *answer, mac);
        return;
    }
    answer = mac;
    m_answered.notify_all();
}

} // namespace mac
