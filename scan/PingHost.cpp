#include "scan/PingHost.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "scan/SocketLayer.h"

namespace {

constexpr int TimeToLive = 255;
constexpr int ReceiveSize = 1500;

std::atomic<quint16> nextSequence{1};

struct IcmpSocket
{
    int fd = -1;
    bool raw = false;
    ~IcmpSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A ping socket needs the caller's group in net.ipv4.ping_group_range; a raw
// socket needs CAP_NET_RAW. The ping socket is tried first: it runs without
// privilege and the kernel hands it only its own replies.
bool openIcmp(IcmpSocket &icmp)
{
    icmp.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (icmp.fd < 0) {
        icmp.fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        icmp.raw = true;
    }
    if (icmp.fd < 0)
        return false;
    const int ttl = TimeToLive;
    ::setsockopt(icmp.fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
    const int on = 1;
    if (!icmp.raw)
        ::setsockopt(icmp.fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    return true;
}

quint16 checksum(const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const quint8 *>(data);
    quint32 sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += quint32(bytes[i] << 8 | bytes[i + 1]);
    if (size & 1)
        sum += quint32(bytes[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

int statusOfIcmp(int type, int code)
{
    if (type == ICMP_DEST_UNREACH) {
        switch (code) {
        case ICMP_NET_UNREACH:
            return PingStatus::DestinationNetUnreachable;
        case ICMP_PROT_UNREACH:
            return PingStatus::DestinationProtocolUnreachable;
        case ICMP_PORT_UNREACH:
            return PingStatus::DestinationPortUnreachable;
        default:
            return PingStatus::DestinationHostUnreachable;
        }
    }
    if (type == ICMP_TIME_EXCEEDED)
        return PingStatus::TtlExpired;
    return PingStatus::GeneralFailure;
}

int statusOfErrno(int error)
{
    switch (error) {
    case ENETUNREACH:
        return PingStatus::DestinationNetUnreachable;
    case EHOSTUNREACH:
        return PingStatus::DestinationHostUnreachable;
    default:
        return PingStatus::GeneralFailure;
    }
}

// A raw socket sees every ICMP message of the host: only an echo reply from
// the destination with our id and sequence, or an error about our own
// request, belongs to this echo. 0: not ours; 1: reply; -status: error.
int readRaw(const quint8 *packet, std::size_t size, quint32 destination, quint16 id, quint16 sequence,
            quint32 source)
{
    if (size < sizeof(iphdr))
        return 0;
    const std::size_t headerSize = std::size_t(packet[0] & 0x0F) * 4;
    if (size < headerSize + ICMP_MINLEN)
        return 0;
    icmphdr icmp;
    std::memcpy(&icmp, packet + headerSize, sizeof icmp);
    if (icmp.type == ICMP_ECHOREPLY)
        return source == destination && ntohs(icmp.un.echo.id) == id &&
               ntohs(icmp.un.echo.sequence) == sequence;
    if (icmp.type != ICMP_DEST_UNREACH && icmp.type != ICMP_TIME_EXCEEDED)
        return 0;
    // The error quotes our request's IP header and its first 8 bytes.
    const std::size_t quoted = headerSize + ICMP_MINLEN;
    if (size < quoted + sizeof(iphdr))
        return 0;
    const std::size_t quotedHeaderSize = std::size_t(packet[quoted] & 0x0F) * 4;
    if (size < quoted + quotedHeaderSize + ICMP_MINLEN)
        return 0;
    iphdr original;
    icmphdr request;
    std::memcpy(&original, packet + quoted, sizeof original);
    std::memcpy(&request, packet + quoted + quotedHeaderSize, sizeof request);
    if (ntohl(original.daddr) != destination || request.type != ICMP_ECHO ||
        ntohs(request.un.echo.id) != id || ntohs(request.un.echo.sequence) != sequence)
        return 0;
    return -statusOfIcmp(icmp.type, icmp.code);
}

// A ping socket reports ICMP errors and local failures (neighbour not
// found) on its error queue.
int readErrorQueue(int fd)
{
    char control[512];
    char data[64];
    iovec part{data, sizeof data};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
        return PingStatus::GeneralFailure;
    for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err error;
        std::memcpy(&error, CMSG_DATA(c), sizeof error);
        if (error.ee_origin == SO_EE_ORIGIN_ICMP)
            return statusOfIcmp(error.ee_type, error.ee_code);
        return statusOfErrno(int(error.ee_errno));
    }
    return PingStatus::GeneralFailure;
}

} // namespace

PingOutcome pingOnce(const QString &address, int timeoutMs)
{
    PingOutcome outcome;
    const quint32 parsed = ParseAddress(address);
    if (parsed == INADDR_NONE) {
        outcome.badAddress = true;
        return outcome;
    }
    IcmpSocket icmp;
    if (!openIcmp(icmp))
        return outcome;
    const quint32 destination = ntohl(parsed);
    const quint16 sequence = nextSequence.fetch_add(1);
    // A ping socket puts its own port in the id field; a raw one sends ours.
    const auto id = quint16(::getpid() & 0xFFFF);

    icmphdr request{};
    request.type = ICMP_ECHO;
    request.un.echo.id = htons(id);
    request.un.echo.sequence = htons(sequence);
    if (icmp.raw)
        request.checksum = htons(checksum(&request, sizeof request));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = parsed;

    outcome.kind = PingOutcome::Kind::NoReply;
    QElapsedTimer clock;
    clock.start();
    if (::sendto(icmp.fd, &request, sizeof request, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0) {
        outcome.status = statusOfErrno(errno);
        return outcome;
    }
    outcome.status = PingStatus::TimedOut;
    for (;;) {
        const qint64 left = qMax(0, timeoutMs) - clock.elapsed();
        if (left <= 0)
            return outcome;
        pollfd waiting{icmp.fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return outcome;
        if (waiting.revents & POLLERR) {
            outcome.status = readErrorQueue(icmp.fd);
            return outcome;
        }
        quint8 packet[ReceiveSize];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got = ::recvfrom(icmp.fd, packet, sizeof packet, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (got < 0)
            continue;
        const qint64 roundTrip = clock.nsecsElapsed() / 1000000;
        int verdict = 0;
        if (icmp.raw) {
            verdict =
                readRaw(packet, std::size_t(got), destination, id, sequence, ntohl(from.sin_addr.s_addr));
        } else if (std::size_t(got) >= ICMP_MINLEN) {
            icmphdr reply;
            std::memcpy(&reply, packet, sizeof reply);
            verdict = reply.type == ICMP_ECHOREPLY && ntohs(reply.un.echo.sequence) == sequence &&
                      from.sin_addr.s_addr == parsed;
        }
        if (verdict == 1) {
            outcome.kind = PingOutcome::Kind::Reply;
            outcome.roundTripMs = int(roundTrip);
            return outcome;
        }
        if (verdict < 0) {
            outcome.status = -verdict;
            return outcome;
        }
    }
}

int PingHost(const QString &address, int timeoutMs)
{
    const PingOutcome outcome = pingOnce(address, timeoutMs);
    switch (outcome.kind) {
    case PingOutcome::Kind::Reply:
        return outcome.roundTripMs;
    case PingOutcome::Kind::NoReply:
        return -outcome.status;
    case PingOutcome::Kind::NotSent:
        break;
    }
    return 0;
}
