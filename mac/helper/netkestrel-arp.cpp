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
//              ID is 1 to 4294967295; ADDRESSES is a comma-separated list of
//              dotted quads and ranges A-B, 65,536 addresses at most.
//   answers    mac ID ADDRESS MAC      each distinct MAC that answered ADDRESS
//              done ID                 during request ID (00-0A-E4-20-53-55)
//              error ID CODE   interface (none such, or without ARP or IPv4),
//                              off-link (an address outside the interface's
//                              networks), too-large (a line over 4096 bytes,
//                              too many addresses or requests at once),
//                              malformed (anything else; ID 0 if none was read)
//
// Only replies to addresses that a running request has asked, arriving on
// that request's interface, are reported: the helper is no sniffer. Requests
// go out from the interface's own address in the asked address's network.
// End of input ends the helper at once: nobody is left to read its answers.
#include "mac/ArpFrame.h"
#include "mac/helper/ArpProtocol.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ifaddrs.h>
#include <linux/capability.h>
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

void take(const std::string &line, bool oversize)
{
    Running entry;
    const arpproto::Refusal parsed = arpproto::parseRequest(line, entry.request); // a cut line for its ID
    const arpproto::Refusal refusal = oversize ? arpproto::Refusal::TooLarge : parsed;
    const std::uint32_t id = entry.request.id; // 0 when none could be read
    const std::size_t count = entry.request.addresses.size();
    std::string error;
    if (refusal != arpproto::Refusal::None)
        error = refusal == arpproto::Refusal::TooLarge ? "too-large" : "malformed";
    else if (
        std::any_of(running.begin(), running.end(), [&](const Running &r) { return r.request.id == id; }))
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
        const Clock::time_point next = serve();
        const auto wait =
            std::chrono::nanoseconds(std::max(next - Clock::now(), Clock::duration::zero())).count();
        const timespec timeout{time_t(wait / 1000000000), long(wait % 1000000000)};
        pollfd waiting[2] = {{STDIN_FILENO, POLLIN, 0}, {packetSocket, POLLIN, 0}};
        if (ppoll(waiting, 2, &timeout, nullptr) < 0 && errno != EINTR)
            return 1;
        if (waiting[1].revents != 0)
            receive();
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
