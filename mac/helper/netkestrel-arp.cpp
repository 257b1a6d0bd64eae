// netkestrel-arp: the one program of Netkestrel that holds CAP_NET_RAW. It
// opens one packet socket, gives the capability up for good, and then asks
// on-link addresses with ARP requests on behalf of the engine, which holds
// no capability. Plain C library and C++: no Qt, no plugins, no environment.
//
// Protocol: ASCII lines ending in "\n" on stdin (requests) and stdout
// (answers); the engine passes one end of a socketpair as both.
//
//   greeting   netkestrel-arp 1               (ready)
//              error 0 permission             (no packet socket; the helper exits)
//   requests   resolve ID IFNAME TIMEOUT_MS ADDRESSES
//                  asks each address at 0, 1/3 and 2/3 of the timeout (an
//                  address that has answered is not asked again), reports
//                  answers until the timeout ends, then "done ID".
//              sweep ID IFNAME PACING_US WAIT_MS ADDRESSES
//                  asks each address once, PACING_US apart, reports answers
//                  until WAIT_MS after the last request, then "done ID".
//              listen ID IFNAME
//                  reports who claims which address on the interface (ARP and
//                  IPv6 neighbour discovery) until the input ends or the
//                  interface goes away ("error ID interface"). One at a time.
//              ID is 1 to 4294967295; ADDRESSES is a comma-separated list of
//              dotted quads and ranges A-B, 65,536 addresses at most.
//   answers    mac ID ADDRESS MAC      each distinct MAC that answered ADDRESS
//              done ID                 during request ID (00-0A-E4-20-53-55)
//              listening ID            the listen request's sockets are bound
//              heard ID KIND ADDRESS MAC   KIND arp-request, arp-reply, arp-probe,
//                              arp-announcement, ns, na or dad; ADDRESS the one
//                              claimed (asked about by a probe or dad), dotted or
//                              IPv6; each KIND, ADDRESS and MAC once a second at
//                              most, and a bounded number of lines a second
//              dropped ID N            frames left out of those lines (and lost
//                              in the kernel), once a second at most
//              error ID CODE   interface (none such, or without ARP or IPv4,
//                              which listen needs not; or since gone or down),
//                              permission (listen without its sockets),
//                              off-link (an address outside the interface's
//                              networks), too-large (a line over 4096 bytes,
//                              too many addresses or requests at once),
//                              malformed (anything else; ID 0 if none was read)
//
// Only replies to addresses that a running request has asked, arriving on
// that request's interface, are reported: the helper is no sniffer. Listen
// hears who claims which address and nothing else: the kernel passes it
// only ARP and neighbour discovery. Requests go out from the interface's own
// address in the asked address's network.
// End of input ends the helper at once: nobody is left to read its answers.
#include "mac/ArpFrame.h"
#include "mac/helper/ArpProtocol.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ifaddrs.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/if_packet.h>
#include <list>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using arpproto::Heard;
using arpproto::Kind;

// The engine runs a few hundred requests at once (one per worker of a /24);
// these bound the memory whatever it is sent: 1 MiB of addresses, and MACs.
constexpr std::size_t maxRequests = 1024;
constexpr std::size_t maxAddressesInFlight = 262144;
constexpr std::size_t macsPerAddress = 4;
// How long a request whose send found the socket's buffer full waits.
constexpr auto retryPause = std::chrono::milliseconds(1);
// The interfaces' addresses are read again after this, not for every request.
constexpr auto interfacesKept = std::chrono::seconds(1);

struct Network
{
    std::uint32_t own = 0, mask = 0; // host byte order
};

struct Running
{
    arpproto::Request request;
    int interfaceIndex = 0;
    unsigned char hardware[ETH_ALEN]{};
    std::vector<Network> networks;
    std::vector<bool> answered; // by position in request.addresses
    std::set<std::pair<std::uint32_t, std::uint64_t>> reported;
    Clock::time_point start, nextSend, end;
    std::size_t position = 0; // the next address to ask in this round
    int round = 0;            // of requests: resolve 3, sweep 1
    bool sending() const { return round < (request.kind == Kind::Resolve ? 3 : 1); }
};

int packetSocket = -1;
std::list<Running> running;
std::size_t addressesInFlight = 0;

ifaddrs *interfaceList = nullptr;
Clock::time_point interfacesRead;

void writeLine(const std::string &line)
{
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            _exit(0); // the engine is gone
        done += std::size_t(written);
    }
}

void answer(const std::string &kind, std::uint32_t id, const std::string &rest = {})
{
    writeLine(kind + ' ' + std::to_string(id) + (rest.empty() ? "" : " " + rest) + '\n');
}

bool setCapabilities(bool keepRaw)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (keepRaw && syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective |= keepRaw ? 1u << CAP_NET_RAW : 0u;
    return syscall(SYS_capset, &header, data) == 0;
}

const ifaddrs *currentInterfaces()
{
    const Clock::time_point now = Clock::now();
    if (!interfaceList || now - interfacesRead > interfacesKept) {
        if (interfaceList)
            freeifaddrs(interfaceList);
        if (getifaddrs(&interfaceList) != 0)
            interfaceList = nullptr;
        interfacesRead = now;
    }
    return interfaceList;
}

// The interface's index, MAC and IPv4 networks; an empty error when it can
// take the request, whose addresses must all lie in those networks.
std::string admit(Running &entry)
{
    const std::string &name = entry.request.interfaceName;
    bool hasHardware = false;
    for (const ifaddrs *i = currentInterfaces(); i; i = i->ifa_next) {
        if (!i->ifa_addr || name != i->ifa_name || !(i->ifa_flags & IFF_UP) ||
            (i->ifa_flags & (IFF_NOARP | IFF_LOOPBACK)))
            continue;
        if (i->ifa_addr->sa_family == AF_PACKET) {
            const auto *link = reinterpret_cast<const sockaddr_ll *>(i->ifa_addr);
            if (link->sll_hatype == ARPHRD_ETHER && link->sll_halen == ETH_ALEN) {
                entry.interfaceIndex = link->sll_ifindex;
                std::memcpy(entry.hardware, link->sll_addr, ETH_ALEN);
                hasHardware = true;
            }
        } else if (i->ifa_addr->sa_family == AF_INET && i->ifa_netmask) {
            const auto address = reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr;
            const auto mask = reinterpret_cast<const sockaddr_in *>(i->ifa_netmask)->sin_addr.s_addr;
            entry.networks.push_back({ntohl(address), ntohl(mask)});
        }
    }
    if (!hasHardware || entry.networks.empty())
        return "interface";
    for (const std::uint32_t address : entry.request.addresses) {
        if (std::none_of(entry.networks.begin(), entry.networks.end(),
                         [&](const Network &n) { return ((address ^ n.own) & n.mask) == 0; }))
            return "off-link";
    }
    return {};
}

// Listening: two packet sockets opened while the capability was held, each
// filtered in the kernel, and bound to an interface only by a listen request
// (a packet socket of protocol 0 hears nothing until then).
int arpListenSocket = -1; // ARP requests and replies of Ethernet and IPv4
int ndListenSocket = -1;  // IPv6 neighbour solicitations and advertisements

// A flood must cost the engine little: each kind, address and MAC is told
// once a second at most, and this many lines a second in all.
constexpr unsigned heardPerSecond = 500;
constexpr auto heardPause = std::chrono::seconds(1);
// What is read of a neighbour discovery frame: its headers and first options.
constexpr std::size_t ndBytesRead = 256;
constexpr std::size_t ipv6HeaderBytes = 40, ndMessageBytes = 24;

struct HeardKey
{
    unsigned char kind = 0;
    unsigned char address[16]{}; // IPv4 in the first four octets
    unsigned char mac[ETH_ALEN]{};
};

struct HeardSlot
{
    HeardKey key;
    Clock::time_point at;
    bool used = false;
};

// What was told within the last second, in sets of a few slots by hash: a key
// that finds no slot older than a second in its set is dropped, not told.
constexpr std::size_t heardSets = 1024, heardWays = 4;

struct Listening
{
    std::uint32_t id = 0; // 0 while nobody listens
    int interfaceIndex = 0;
    Clock::time_point second, nextReport;
    unsigned lines = 0;        // told since second
    std::uint64_t dropped = 0; // since the last "dropped" line
    HeardSlot recent[heardSets * heardWays];
};
Listening listening;

// Keeps what the listen sockets pass, other hosts' frames of the kinds
// above; the rest of the link's traffic is never copied to the helper.
bool attachListenFilters()
{
    constexpr std::uint32_t outgoing = PACKET_OUTGOING;
    sock_filter arp[] = {
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, std::uint32_t(SKF_AD_OFF + SKF_AD_PKTTYPE)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, outgoing, 8, 0),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 0), // hardware type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ARPHRD_ETHER, 0, 6),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 2), // protocol type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_IP, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 4), // address lengths and operation
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x06040000 | ARPOP_REQUEST, 1, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x06040000 | ARPOP_REPLY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, sizeof(ether_arp)),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    // Whole frames, so that the reader sees their true length.
    sock_filter nd[] = {
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, std::uint32_t(SKF_AD_OFF + SKF_AD_PKTTYPE)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, outgoing, 9, 0),
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 0),
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, 0xF0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0x60, 0, 6), // IPv6
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 6),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, IPPROTO_ICMPV6 << 8 | 255, 0,
                 4), // hop limit 255, as ND must have
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, ipv6HeaderBytes),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 135, 1, 0), // solicitation
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 136, 0, 1), // advertisement
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    const sock_fprog arpProgram{static_cast<unsigned short>(std::size(arp)), arp};
    const sock_fprog ndProgram{static_cast<unsigned short>(std::size(nd)), nd};
    const int locked = 1;
    return setsockopt(arpListenSocket, SOL_SOCKET, SO_ATTACH_FILTER, &arpProgram, sizeof arpProgram) == 0 &&
           setsockopt(ndListenSocket, SOL_SOCKET, SO_ATTACH_FILTER, &ndProgram, sizeof ndProgram) == 0 &&
           setsockopt(arpListenSocket, SOL_SOCKET, SO_LOCK_FILTER, &locked, sizeof locked) == 0 &&
           setsockopt(ndListenSocket, SOL_SOCKET, SO_LOCK_FILTER, &locked, sizeof locked) == 0;
}

// Protocol 0 unhooks the socket from every interface.
bool hook(int fd, std::uint16_t protocol, int interfaceIndex)
{
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(protocol);
    link.sll_ifindex = interfaceIndex;
    return bind(fd, reinterpret_cast<const sockaddr *>(&link), sizeof link) == 0;
}

// Solicitations go to multicast groups that the interface has not joined;
// without all of them it would hear only its own neighbours' ones.
packet_mreq allMulticast(int interfaceIndex)
{
    packet_mreq request{};
    request.mr_ifindex = interfaceIndex;
    request.mr_type = PACKET_MR_ALLMULTI;
    return request;
}

void stopListening()
{
    const packet_mreq multicast = allMulticast(listening.interfaceIndex);
    setsockopt(ndListenSocket, SOL_PACKET, PACKET_DROP_MEMBERSHIP, &multicast, sizeof multicast);
    hook(arpListenSocket, 0, 0);
    hook(ndListenSocket, 0, 0);
    char frame[ndBytesRead];
    for (const int fd : {arpListenSocket, ndListenSocket}) {
        while (recv(fd, frame, sizeof frame, MSG_DONTWAIT) >= 0 || errno == EINTR) {
        }
    }
    listening = Listening();
}

void startListening(Running &entry)
{
    const std::uint32_t id = entry.request.id;
    if (arpListenSocket < 0 || ndListenSocket < 0)
        return answer("error", id, "permission");
    if (listening.id != 0)
        return answer("error", id, "too-large");
    admit(entry); // only for the interface: listening needs no IPv4 network on it
    const int index = entry.interfaceIndex;
    if (index == 0)
        return answer("error", id, "interface");
    listening.interfaceIndex = index;
    if (!hook(arpListenSocket, ETH_P_ARP, index) || !hook(ndListenSocket, ETH_P_IPV6, index)) {
        stopListening();
        return answer("error", id, "interface");
    }
    const packet_mreq multicast = allMulticast(index);
    setsockopt(ndListenSocket, SOL_PACKET, PACKET_ADD_MEMBERSHIP, &multicast, sizeof multicast);
    listening.id = id;
    listening.second = Clock::now();
    listening.nextReport = listening.second + heardPause;
    answer("listening", id);
}

bool usableMac(const unsigned char *mac)
{
    return (mac[0] & 1) == 0 &&
           std::any_of(mac, mac + ETH_ALEN, [](unsigned char octet) { return octet != 0; });
}

bool readArp(const unsigned char *frame, std::size_t length, HeardKey &key)
{
    ether_arp arp{};
    if (length < sizeof arp)
        return false;
    std::memcpy(&arp, frame, sizeof arp);
    const std::uint16_t operation = ntohs(arp.arp_op);
    if (arp.arp_hrd != htons(ARPHRD_ETHER) || arp.arp_pro != htons(ETH_P_IP) || arp.arp_hln != ETH_ALEN ||
        arp.arp_pln != 4 || (operation != ARPOP_REQUEST && operation != ARPOP_REPLY) ||
        !usableMac(arp.arp_sha))
        return false;
    const bool probe =
        std::all_of(arp.arp_spa, arp.arp_spa + 4, [](unsigned char octet) { return octet == 0; });
    Heard kind = operation == ARPOP_REQUEST ? Heard::ArpRequest : Heard::ArpReply;
    if (probe)
        kind = Heard::ArpProbe;
    else if (std::memcmp(arp.arp_spa, arp.arp_tpa, 4) == 0)
        kind = Heard::ArpAnnouncement;
    const unsigned char *address = probe ? arp.arp_tpa : arp.arp_spa;
    if ((probe && operation != ARPOP_REQUEST) ||
        std::all_of(address, address + 4, [](unsigned char octet) { return octet == 0; }))
        return false;
    key.kind = static_cast<unsigned char>(kind);
    std::memcpy(key.address, address, 4);
    std::memcpy(key.mac, arp.arp_sha, ETH_ALEN);
    return true;
}

// An IPv6 neighbour solicitation or advertisement of which length bytes
// were read, truly whole bytes long; linkSource is its Ethernet source.
bool readNd(const unsigned char *frame, std::size_t length, std::size_t whole,
            const unsigned char *linkSource, HeardKey &key)
{
    const std::size_t headers = ipv6HeaderBytes + ndMessageBytes;
    if (length < headers || frame[0] >> 4 != 6 || frame[6] != IPPROTO_ICMPV6 || frame[7] != 255)
        return false;
    const std::size_t end = ipv6HeaderBytes + (std::size_t(frame[4]) << 8 | frame[5]);
    const unsigned char *source = frame + 8;
    const unsigned char *message = frame + ipv6HeaderBytes;
    const unsigned char *target = message + 8;
    const bool unspecified = std::all_of(source, source + 16, [](unsigned char octet) { return octet == 0; });
    if (end < headers || end > whole || message[1] != 0 || target[0] == 0xFF || source[0] == 0xFF ||
        (message[0] != 135 && message[0] != 136) || (message[0] == 136 && unspecified))
        return false;
    const Heard kind = message[0] == 136 ? Heard::Advertisement
                       : unspecified     ? Heard::DuplicateCheck
                                         : Heard::Solicitation;
    // The link-layer address option names the MAC that claims the address;
    // without one, the frame's sender does. A check from :: carries none.
    const unsigned char wanted = kind == Heard::Solicitation ? 1 : kind == Heard::Advertisement ? 2 : 0;
    const unsigned char *mac = linkSource;
    for (std::size_t at = headers; at + 2 <= std::min(end, length);) {
        const std::size_t size = std::size_t(frame[at + 1]) * 8;
        if (size == 0 || at + size > end)
            return false; // a void message, as the kernel sees it too
        if (at + size > length)
            break; // beyond what was read; the frame's sender it is
        if (frame[at] == wanted && size == 8)
            mac = frame + at + 2;
        at += size;
    }
    if (!usableMac(mac))
        return false;
    key.kind = static_cast<unsigned char>(kind);
    std::memcpy(key.address, kind == Heard::Solicitation ? source : target, 16);
    std::memcpy(key.mac, mac, ETH_ALEN);
    return true;
}

// Tells key unless it was told within a second or the lines of this second
// are used up.
void tell(const HeardKey &key, Clock::time_point now)
{
    std::uint32_t hash = 2166136261u;
    for (const unsigned char octet : std::string_view(reinterpret_cast<const char *>(&key), sizeof key))
        hash = (hash ^ octet) * 16777619u;
    HeardSlot *const set = listening.recent + hash % heardSets * heardWays;
    HeardSlot *slot = std::find_if(set, set + heardWays, [&](const HeardSlot &s) {
        return s.used && std::memcmp(&s.key, &key, sizeof key) == 0;
    });
    if (slot != set + heardWays && now - slot->at < heardPause)
        return;
    if (slot == set + heardWays)
        slot = std::find_if(set, set + heardWays,
                            [&](const HeardSlot &s) { return !s.used || now - s.at >= heardPause; });
    if (now - listening.second >= heardPause) {
        listening.second = now;
        listening.lines = 0;
    }
    if (slot == set + heardWays || listening.lines >= heardPerSecond) {
        ++listening.dropped;
        return;
    }
    ++listening.lines;
    *slot = {key, now, true};
    const Heard kind = Heard(key.kind);
    char address[INET6_ADDRSTRLEN] = {};
    inet_ntop(kind < Heard::Solicitation ? AF_INET : AF_INET6, key.address, address, sizeof address);
    answer("heard", listening.id,
           std::string(arpproto::heardWord(kind)) + ' ' + address + ' ' + arpproto::macText(key.mac));
}

void hear(int fd)
{
    const Clock::time_point now = Clock::now();
    // Bounded, so that a flood cannot keep requests waiting.
    for (int count = 0; count < 4096; ++count) {
        unsigned char frame[ndBytesRead];
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t whole = recvfrom(fd, frame, sizeof frame, MSG_DONTWAIT | MSG_TRUNC,
                                       reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (whole < 0 && errno == EINTR)
            continue;
        if (whole < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                answer("error", listening.id, "interface"); // down or gone
                stopListening();
            }
            return;
        }
        const std::size_t length = std::min(std::size_t(whole), sizeof frame);
        HeardKey key;
        if (from.sll_ifindex != listening.interfaceIndex || from.sll_pkttype == PACKET_OUTGOING ||
            from.sll_halen != ETH_ALEN)
            continue;
        if (fd == arpListenSocket ? readArp(frame, length, key)
                                  : readNd(frame, length, std::size_t(whole), from.sll_addr, key))
            tell(key, now);
    }
}

// Says once a second how many frames were left out, the kernel's among them;
// returns when to come back.
Clock::time_point reportDropped()
{
    const Clock::time_point now = Clock::now();
    if (listening.id == 0)
        return now + std::chrono::hours(1);
    if (now < listening.nextReport)
        return listening.nextReport;
    for (const int fd : {arpListenSocket, ndListenSocket}) {
        tpacket_stats counts{};
        socklen_t size = sizeof counts;
        if (getsockopt(fd, SOL_PACKET, PACKET_STATISTICS, &counts, &size) == 0)
            listening.dropped += counts.tp_drops;
    }
    if (listening.dropped > 0)
        answer("dropped", listening.id,
               std::to_string(std::min<std::uint64_t>(listening.dropped, 4294967295u)));
    listening.dropped = 0;
    listening.nextReport = now + heardPause;
    return listening.nextReport;
}

void take(const std::string &line, bool oversize)
{
    Running entry;
    const arpproto::Refusal parsed = arpproto::parseRequest(line, entry.request); // a cut line for its ID
    const arpproto::Refusal refusal = oversize ? arpproto::Refusal::TooLarge : parsed;
    const std::uint32_t id = entry.request.id; // 0 when none could be read
    const std::size_t count = entry.request.addresses.size();
    std::string error;
    if (refusal == arpproto::Refusal::None && entry.request.kind == Kind::Listen && listening.id != id &&
        std::none_of(running.begin(), running.end(), [&](const Running &r) { return r.request.id == id; }))
        return startListening(entry);
    if (refusal != arpproto::Refusal::None)
        error = refusal == arpproto::Refusal::TooLarge ? "too-large" : "malformed";
    else if (listening.id == id || std::any_of(running.begin(), running.end(),
                                               [&](const Running &r) { return r.request.id == id; }))
        error = "malformed"; // the answers of the two could not be told apart
    else if (running.size() >= maxRequests || addressesInFlight + count > maxAddressesInFlight)
        error = "too-large";
    else
        error = admit(entry);
    if (!error.empty())
        return answer("error", id, error);
    entry.answered.assign(count, false);
    entry.start = entry.nextSend = Clock::now();
    entry.end = entry.start + std::chrono::milliseconds(entry.request.timeoutMs);
    addressesInFlight += count;
    running.push_back(std::move(entry));
}

// Sends one request; false when the socket's buffer is full (try later).
bool ask(const Running &entry, std::uint32_t address)
{
    const auto network = std::find_if(entry.networks.begin(), entry.networks.end(),
                                      [&](const Network &n) { return ((address ^ n.own) & n.mask) == 0; });
    const ether_arp request = ArpFrame::packet(ARPOP_REQUEST, entry.hardware, in_addr{htonl(network->own)},
                                               in_addr{htonl(address)});
    const sockaddr_ll to = ArpFrame::broadcastOn(entry.interfaceIndex);
    while (sendto(packetSocket, &request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&to),
                  sizeof to) < 0) {
        if (errno != EINTR)
            return errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS && errno != ENOMEM;
    }
    return true;
}

// Sends what is due for entry and sets its next send time.
void sendDue(Running &entry, Clock::time_point now)
{
    const std::vector<std::uint32_t> &addresses = entry.request.addresses;
    const bool resolve = entry.request.kind == Kind::Resolve;
    while (entry.sending() && entry.nextSend <= now) {
        if (entry.position < addresses.size()) {
            if (!(resolve && entry.answered[entry.position]) && !ask(entry, addresses[entry.position])) {
                entry.nextSend = now + retryPause;
                return;
            }
            ++entry.position;
            if (!resolve && entry.request.pacingUs > 0)
                entry.nextSend += std::chrono::microseconds(entry.request.pacingUs);
            continue;
        }
        // A round is over.
        ++entry.round;
        entry.position = 0;
        const std::chrono::milliseconds time(entry.request.timeoutMs);
        if (!resolve)
            entry.end = now + time;
        entry.nextSend = std::max(now, entry.start + time * entry.round / 3);
    }
}

void receive()
{
    // Bounded, so that a flood of replies cannot keep the requests waiting.
    for (int count = 0; count < 4096; ++count) {
        ether_arp reply{};
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = recvfrom(packetSocket, &reply, sizeof reply, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0)
            return;
        if (length < ssize_t(sizeof reply) || from.sll_pkttype == PACKET_OUTGOING ||
            reply.arp_hrd != htons(ARPHRD_ETHER) || reply.arp_pro != htons(ETH_P_IP) ||
            reply.arp_hln != ETH_ALEN || reply.arp_pln != 4 || reply.arp_op != htons(ARPOP_REPLY))
            continue;
        std::uint32_t sender = 0;
        std::memcpy(&sender, reply.arp_spa, 4);
        sender = ntohl(sender);
        std::uint64_t mac = 0;
        for (const unsigned char octet : reply.arp_sha)
            mac = mac << 8 | octet;
        for (Running &entry : running) {
            const std::vector<std::uint32_t> &addresses = entry.request.addresses;
            const auto found = std::lower_bound(addresses.begin(), addresses.end(), sender);
            if (entry.interfaceIndex != from.sll_ifindex || found == addresses.end() || *found != sender)
                continue;
            const std::size_t position = std::size_t(found - addresses.begin());
            const bool asked = entry.round > 0 || position < entry.position;
            if (!asked || entry.reported.size() >= macsPerAddress * addresses.size() ||
                !entry.reported.insert({sender, mac}).second)
                continue;
            entry.answered[position] = true;
            answer("mac", entry.request.id,
                   arpproto::addressText(sender) + ' ' + arpproto::macText(reply.arp_sha));
        }
    }
}

// Sends what is due, ends the requests whose time is over, and says when
// the next one is due.
Clock::time_point serve()
{
    const Clock::time_point now = Clock::now();
    Clock::time_point next = now + std::chrono::hours(1);
    for (auto entry = running.begin(); entry != running.end();) {
        sendDue(*entry, now);
        if (!entry->sending() && entry->end <= now) {
            answer("done", entry->request.id);
            addressesInFlight -= entry->request.addresses.size();
            entry = running.erase(entry);
            continue;
        }
        next = std::min(next, entry->sending() ? std::min(entry->nextSend, entry->end) : entry->end);
        ++entry;
    }
    return next;
}

} // namespace

int main()
{
    // Nothing the caller left open is kept but the three standard streams.
    syscall(SYS_close_range, 3U, ~0U, 0U);
    signal(SIGPIPE, SIG_IGN);
    if (setCapabilities(true))
        packetSocket = socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ARP));
    ArpFrame::keepOnlyReplies(packetSocket);
    arpListenSocket = socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ndListenSocket = socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (!attachListenFilters()) {
        // Unfiltered, they would copy the whole link's traffic: listen is refused.
        close(arpListenSocket);
        close(ndListenSocket);
        arpListenSocket = ndListenSocket = -1;
    }
    // From here on the helper holds no capability at all and can gain none.
    const bool dropped = setCapabilities(false);
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    if (packetSocket < 0 || !dropped) {
        writeLine("error 0 permission\n");
        return 1;
    }
    writeLine(std::string(arpproto::greeting) + '\n');

    arpproto::LineReader reader;
    for (;;) {
        const Clock::time_point next = std::min(serve(), reportDropped());
        const auto wait =
            std::chrono::nanoseconds(std::max(next - Clock::now(), Clock::duration::zero())).count();
        const timespec timeout{time_t(wait / 1000000000), long(wait % 1000000000)};
        const bool listens = listening.id != 0;
        pollfd waiting[4] = {{STDIN_FILENO, POLLIN, 0},
                             {packetSocket, POLLIN, 0},
                             {listens ? arpListenSocket : -1, POLLIN, 0},
                             {listens ? ndListenSocket : -1, POLLIN, 0}};
        if (ppoll(waiting, 4, &timeout, nullptr) < 0 && errno != EINTR)
            return 1;
        if (waiting[1].revents != 0)
            receive();
        for (int i = 2; i < 4; ++i) {
            if (waiting[i].revents != 0 && listening.id != 0)
                hear(waiting[i].fd);
        }
        if (waiting[0].revents != 0) {
            char bytes[65536];
            const ssize_t got = read(STDIN_FILENO, bytes, sizeof bytes);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                return 0;
            if (got > 0)
                reader.append(bytes, std::size_t(got));
            std::string line;
            bool oversize = false;
            while (reader.next(line, oversize))
                take(line, oversize);
        }
    }
}
