#include "RawArpResolver.h"

#include "Deadline.h"
#include "FileDescriptor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mac {

namespace {

constexpr int requestCount = 3;

// The packet socket for ARP, and whether it was refused for lack of CAP_NET_RAW.
struct PacketSocket
{
    PacketSocket() : fd(socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP))), error(errno) {}
    bool refused() const
    {
        return fd.get() < 0 && (error == EPERM || error == EACCES || error == EAFNOSUPPORT);
    }

    FileDescriptor fd;
    int error;
};

// Lets only ARP replies from destination through, so that up to 256 workers
// on one interface do not each queue every ARP packet of the others.
void attachReplyFilter(int fd, in_addr destination)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, offsetof(ether_arp, arp_op)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ARPOP_REPLY, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(ether_arp, arp_spa)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ntohl(destination.s_addr), 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program); // only an optimisation
}

ether_arp requestFor(const LocalInterface &local, in_addr destination)
{
    ether_arp request{};
    request.arp_hrd = htons(ARPHRD_ETHER);
    request.arp_pro = htons(ETH_P_IP);
    request.arp_hln = ETH_ALEN;
    request.arp_pln = 4;
    request.arp_op = htons(ARPOP_REQUEST);
    std::memcpy(request.arp_sha, local.hardware.data(), ETH_ALEN);
    std::memcpy(request.arp_spa, &local.address, 4);
    std::memcpy(request.arp_tpa, &destination, 4);
    return request;
}

void sendRequest(int fd, const LocalInterface &local, const ether_arp &request)
{
    sockaddr_ll broadcast{};
    broadcast.sll_family = AF_PACKET;
    broadcast.sll_protocol = htons(ETH_P_ARP);
    broadcast.sll_ifindex = static_cast<int>(local.index);
    broadcast.sll_halen = ETH_ALEN;
    std::memset(broadcast.sll_addr, 0xFF, ETH_ALEN);
    sendto(fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&broadcast), sizeof broadcast);
}

bool isReplyFrom(const unsigned char *packet, ssize_t length, in_addr destination)
{
    if (length < static_cast<ssize_t>(sizeof(ether_arp)))
        return false;
    ether_arp reply;
    std::memcpy(&reply, packet, sizeof reply);
    return ntohs(reply.arp_hrd) == ARPHRD_ETHER && ntohs(reply.arp_pro) == ETH_P_IP &&
           reply.arp_hln == ETH_ALEN && reply.arp_pln == 4 && ntohs(reply.arp_op) == ARPOP_REPLY &&
           std::memcmp(reply.arp_spa, &destination, 4) == 0;
}

// Reads every queued packet; true (and out set) once one is destination's reply.
bool readReplies(int fd, in_addr destination, MacAddress &out)
{
    unsigned char packet[256];
    for (;;) {
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = recvfrom(fd, packet, sizeof packet, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (length < 0)
            return false;
        if (from.sll_pkttype == PACKET_OUTGOING || !isReplyFrom(packet, length, destination))
            continue;
        std::memcpy(out.data(), packet + offsetof(ether_arp, arp_sha), out.size());
        return true;
    }
}

} // namespace

bool rawArpAllowed()
{
    return !PacketSocket().refused();
}

RawArpOutcome resolveWithRawArp(const LocalInterface &local, in_addr destination,
                                std::chrono::milliseconds timeout, MacAddress &out)
{
    PacketSocket socket;
    if (socket.refused())
        return RawArpOutcome::Unavailable;
    if (socket.fd.get() < 0 || !local.hasHardware)
        return RawArpOutcome::NoAnswer;

    attachReplyFilter(socket.fd.get(), destination);
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ARP);
    bound.sll_ifindex = static_cast<int>(local.index);
    if (bind(socket.fd.get(), reinterpret_cast<const sockaddr *>(&bound), sizeof bound) != 0)
        return RawArpOutcome::NoAnswer;

    const ether_arp request = requestFor(local, destination);
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + timeout;
    int sent = 0;
    while (Clock::now() < deadline) {
        if (sent < requestCount && Clock::now() >= start + timeout * sent / requestCount) {
            sendRequest(socket.fd.get(), local, request);
            ++sent;
        }
        const Clock::time_point wake = sent < requestCount ? start + timeout * sent / requestCount : deadline;
        pollfd waiting{socket.fd.get(), POLLIN, 0};
        if (poll(&waiting, 1, millisecondsUntil(wake)) > 0 && readReplies(socket.fd.get(), destination, out))
            return RawArpOutcome::Resolved;
    }
    return RawArpOutcome::NoAnswer;
}

} // namespace mac
