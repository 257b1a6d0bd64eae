#include "mac/NeighbourTableResolver.h"

#include "mac/Deadline.h"
#include "mac/FileDescriptor.h"
#include "mac/NeighbourBudget.h"

#include <cstring>
#include <fcntl.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace mac {

namespace {

constexpr std::chrono::milliseconds pollInterval{5};
constexpr int nudgeCount = 3; // at 0, 1/3 and 2/3 of the time-out, as the raw path asks
constexpr unsigned short discardPort = 9;
constexpr int answeredStates = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;

enum class Entry { Unknown, Waiting, Answered, Failed };

struct NeighbourRequest
{
    nlmsghdr header;
    ndmsg neighbour;
    rtattr destinationAttribute;
    in_addr destination;
};

Entry parseAnswer(const unsigned char *buffer, ssize_t length, unsigned sequence, in_addr destination,
                  MacAddress &out)
{
    int remaining = static_cast<int>(length);
    for (auto *message = reinterpret_cast<const nlmsghdr *>(buffer); NLMSG_OK(message, remaining);
         message = NLMSG_NEXT(message, remaining)) {
        if (message->nlmsg_seq != sequence)
            continue;
        if (message->nlmsg_type == NLMSG_ERROR)
            return Entry::Waiting; // mostly ENOENT: no entry yet
        if (message->nlmsg_type != RTM_NEWNEIGH)
            continue;
        const auto *neighbour = static_cast<const ndmsg *>(NLMSG_DATA(message));
        bool sameDestination = false;
        bool hasMac = false;
        int attributesLength = static_cast<int>(RTM_PAYLOAD(message));
        for (auto *attribute = reinterpret_cast<const rtattr *>(
                 reinterpret_cast<const unsigned char *>(neighbour) + NLMSG_ALIGN(sizeof(ndmsg)));
             RTA_OK(attribute, attributesLength); attribute = RTA_NEXT(attribute, attributesLength)) {
            if (attribute->rta_type == NDA_DST && RTA_PAYLOAD(attribute) == sizeof destination)
                sameDestination = std::memcmp(RTA_DATA(attribute), &destination, sizeof destination) == 0;
            if (attribute->rta_type == NDA_LLADDR && RTA_PAYLOAD(attribute) == out.size()) {
                std::memcpy(out.data(), RTA_DATA(attribute), out.size());
                hasMac = true;
            }
        }
        if (!sameDestination)
            continue;
        if (neighbour->ndm_state & NUD_FAILED)
            return Entry::Failed;
        return hasMac && (neighbour->ndm_state & answeredStates) ? Entry::Answered : Entry::Waiting;
    }
    return Entry::Unknown;
}

// One RTM_GETNEIGH for destination on the interface, answered synchronously.
Entry readEntry(int netlink, unsigned sequence, const LocalInterface &local, in_addr destination,
                Clock::time_point deadline, MacAddress &out)
{
    NeighbourRequest request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = sequence;
    request.neighbour.ndm_family = AF_INET;
    request.neighbour.ndm_ifindex = static_cast<int>(local.index);
    request.destinationAttribute.rta_type = NDA_DST;
    request.destinationAttribute.rta_len = RTA_LENGTH(sizeof(in_addr));
    request.destination = destination;
    static_assert(sizeof(NeighbourRequest) == NLMSG_LENGTH(sizeof(ndmsg)) + RTA_LENGTH(sizeof(in_addr)));
    if (send(netlink, &request, sizeof request, 0) < 0)
        return Entry::Unknown;

    alignas(nlmsghdr) unsigned char buffer[4096];
    for (;;) {
        pollfd waiting{netlink, POLLIN, 0};
        if (poll(&waiting, 1, millisecondsUntil(deadline)) <= 0)
            return Entry::Unknown;
        const ssize_t length = recv(netlink, buffer, sizeof buffer, MSG_DONTWAIT);
        if (length <= 0)
            return Entry::Unknown;
        if (const Entry entry = parseAnswer(buffer, length, sequence, destination, out);
            entry != Entry::Unknown)
            return entry;
    }
}

void nudgeKernel(in_addr destination)
{
    const FileDescriptor udp(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (udp.get() < 0)
        return;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(discardPort);
    target.sin_addr = destination;
    const char byte = 0;
    sendto(udp.get(), &byte, 1, 0, reinterpret_cast<const sockaddr *>(&target), sizeof target);
}

} // namespace

bool resolveWithNeighbourTable(const LocalInterface &local, in_addr destination,
                               std::chrono::milliseconds timeout, MacAddress &out)
{
    const FileDescriptor netlink(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (netlink.get() < 0)
        return false;

    unsigned sequence = 1;
    if (readEntry(netlink.get(), sequence, local, destination, Clock::now() + timeout, out) ==
        Entry::Answered)
        return true;

    // Every nudge may create an entry that stays for seconds in a table that
    // all network namespaces share; past its limit the kernel drops nudges
    // silently and live hosts go unanswered. So the nudges of a destination
    // wait for a lease of the process's budget, and the time-out runs from
    // then: a worker that waited still gets its whole time to be answered.
    if (!NeighbourBudget::process().take(destination.s_addr, Clock::now() + NeighbourBudget::longestWait))
        return false;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + timeout;
    // The entry may still be collected, or the table be full for a moment
    // through others: later nudges ask again.
    int nudged = 0;
    while (Clock::now() < deadline) {
        if (nudged < nudgeCount && Clock::now() >= start + timeout * nudged / nudgeCount) {
            nudgeKernel(destination);
            ++nudged;
        }
        const Entry entry = readEntry(netlink.get(), ++sequence, local, destination, deadline, out);
        if (entry == Entry::Answered)
            return true;
        if (entry == Entry::Failed)
            return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(pollInterval, deadline - Clock::now()));
    }
    return false;
}

} // namespace mac
