#pragma once

#include <QString>

// Status codes of an echo that got no reply, as the ping tool words them
// (the result of PingHost is their negation).
namespace PingStatus {
constexpr int DestinationNetUnreachable = 11002;
constexpr int DestinationHostUnreachable = 11003;
constexpr int DestinationProtocolUnreachable = 11004;
constexpr int DestinationPortUnreachable = 11005;
constexpr int TimedOut = 11010;
constexpr int TtlExpired = 11013;
constexpr int GeneralFailure = 11050;
} // namespace PingStatus

// One ICMP echo, with what happened to it.
struct PingOutcome
{
    enum class Kind { Reply, NoReply, NotSent };
    Kind kind = Kind::NotSent;
    int roundTripMs = 0;     // Reply
    int status = 0;          // NoReply: one of PingStatus
    bool badAddress = false; // NotSent: the text is no address (else no ICMP socket)
};

// Sends one echo request (time to live 255, no data) and waits up to
// `timeoutMs` for its reply, over an unprivileged ping socket where
// net.ipv4.ping_group_range allows one, else a raw socket.
PingOutcome pingOnce(const QString &address, int timeoutMs);

// The echo operation's contract: the round trip in ms (0 or more) for a
// reply, the negated status when none came, 0 when the address does not
// parse or no ICMP socket can be had. Blocks for up to `timeoutMs`.
int PingHost(const QString &address, int timeoutMs);
