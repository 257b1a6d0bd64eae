#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <netinet/in.h>
#include <sys/socket.h>

// The ARP packets of Ethernet and IPv4 that the scanners send on a packet
// socket (SOCK_DGRAM, which adds the Ethernet header), and where to.
namespace ArpFrame {

// An ARP packet of the operation (ARPOP_REQUEST, ARPOP_REPLY) from the
// sender's MAC (six octets) and IPv4 address about the target's address;
// the addresses in network order, the target's MAC left zero.
inline ether_arp packet(std::uint16_t operation, const unsigned char *senderMac, in_addr sender,
                        in_addr target)
{
    ether_arp arp{};
    arp.arp_hrd = htons(ARPHRD_ETHER);
    arp.arp_pro = htons(ETH_P_IP);
    arp.arp_hln = ETH_ALEN;
    arp.arp_pln = 4;
    arp.arp_op = htons(operation);
    std::memcpy(arp.arp_sha, senderMac, ETH_ALEN);
    std::memcpy(arp.arp_spa, &sender, 4);
    std::memcpy(arp.arp_tpa, &target, 4);
    return arp;
}

// Every station of the interface's link.
inline sockaddr_ll broadcastOn(int interfaceIndex)
{
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_ARP);
    link.sll_ifindex = interfaceIndex;
    link.sll_halen = ETH_ALEN;
    std::memset(link.sll_addr, 0xFF, ETH_ALEN);
    return link;
}

// Lets only ARP replies through to the packet socket fd: it also sees every
// frame the host sends, our own thousands of requests among them. Only an
// optimisation: readers check what they get anyway.
inline void keepOnlyReplies(int fd)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, offsetof(ether_arp, arp_op)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ARPOP_REPLY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    const sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}

} // namespace ArpFrame
