#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace mac {

// The garbage-collection thresholds of the kernel's IPv4 neighbour table.
struct NeighbourThresholds
{
    long gc1 = 128;
    long gc2 = 512;
    long gc3 = 1024; // past it the kernel refuses new entries
};

// Reads gc_thresh1..3 from folder (the kernel's default table settings);
// nullopt when one of them is missing or not a number.
std::optional<NeighbourThresholds> readNeighbourThresholds(
    const std::string &folder = "/proc/sys/net/ipv4/neigh/default");

// How many on-link destinations without a neighbour entry one process may ask
// about at once. The table and its thresholds are shared by every network
// namespace of the machine, and a datagram to such a destination creates an
// entry that the kernel can neither reuse nor collect for seconds: once the
// table is full the kernel drops new destinations' packets without telling
// the sender. Each destination therefore holds a lease for `hold` after it
// was last sent to, and at most room() leases are held at a time. A
// destination that holds one already has its entry: asking again only
// renews its lease, so a second scan of the same addresses never waits.
//
// Why the numbers: an unresolved entry lives retrans_time x mcast_solicit
// (3 s by default) before it fails; a resolved one may not be collected by
// the forced collection until 5 s after its last update. Six seconds covers
// both. The room is a quarter of gc_thresh3 and half of gc_thresh2, whichever
// is smaller, so that several scans (or other users of the table) at once
// still stay below the hard limit and mostly below the soft one.
//
// Threading: every member may be called from any thread.
class NeighbourBudget
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds defaultHold{6000};
    static constexpr int minimumRoom = 8;
    // How long a resolver waits for room before it gives up on a destination.
    static constexpr std::chrono::seconds longestWait{60};

    static int roomFor(const NeighbourThresholds &thresholds);

    NeighbourBudget(int room, Clock::duration hold);

    int room() const { return m_room; }

    // Takes a lease for destination (any fixed byte order) at now, or renews
    // the one it holds; false when room() other destinations hold one.
    bool tryTake(std::uint32_t destination, Clock::time_point now);
    // Leases still held at now.
    int held(Clock::time_point now);
    // When the next held lease ends; nullopt when none is held.
    std::optional<Clock::time_point> nextRelease(Clock::time_point now);

    // Waits until a lease is free and takes it (true), or gives up at giveUpAt.
    bool take(std::uint32_t destination, Clock::time_point giveUpAt);

    // The budget shared by the whole process, its room read from the
    // machine's thresholds once (their defaults when they cannot be read).
    static NeighbourBudget &process();

private:
    void expire(Clock::time_point now);

    const int m_room;
    const Clock::duration m_hold;
    std::mutex m_mutex;
    std::multimap<Clock::time_point, std::uint32_t> m_ends; // lease end -> destination
    std::unordered_map<std::uint32_t, std::multimap<Clock::time_point, std::uint32_t>::iterator> m_leases;
};

} // namespace mac
