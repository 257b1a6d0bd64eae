#include "mac/NeighbourBudget.h"

#include <algorithm>
#include <fstream>
#include <thread>

namespace mac {

namespace {

std::optional<long> readNumber(const std::string &path)
{
    std::ifstream file(path);
    long value = 0;
    if (!(file >> value) || value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<NeighbourThresholds> readNeighbourThresholds(const std::string &folder)
{
    const std::optional<long> gc1 = readNumber(folder + "/gc_thresh1");
    const std::optional<long> gc2 = readNumber(folder + "/gc_thresh2");
    const std::optional<long> gc3 = readNumber(folder + "/gc_thresh3");
    if (!gc1 || !gc2 || !gc3)
        return std::nullopt;
    return NeighbourThresholds{*gc1, *gc2, *gc3};
}

int NeighbourBudget::roomFor(const NeighbourThresholds &thresholds)
{
    const long room = std::min(thresholds.gc2 / 2, thresholds.gc3 / 4);
    return static_cast<int>(std::clamp<long>(room, minimumRoom, 1L << 20));
}

NeighbourBudget::NeighbourBudget(int room, Clock::duration hold) : m_room(std::max(room, 1)), m_hold(hold) {}

void NeighbourBudget::expire(Clock::time_point now)
{
    while (!m_ends.empty() && m_ends.begin()->first <= now) {
        m_leases.erase(m_ends.begin()->second);
        m_ends.erase(m_ends.begin());
    }
}

bool NeighbourBudget::tryTake(std::uint32_t destination, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    expire(now);
    const auto held = m_leases.find(destination);
    if (held != m_leases.end()) {
        const Clock::time_point end = std::max(held->second->first, now + m_hold);
        m_ends.erase(held->second);
        held->second = m_ends.emplace(end, destination);
        return true;
    }
    if (static_cast<int>(m_ends.size()) >= m_room)
        return false;
    m_leases.emplace(destination, m_ends.emplace(now + m_hold, destination));
    return true;
}

int NeighbourBudget::held(Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    expire(now);
    return static_cast<int>(m_ends.size());
}

std::optional<NeighbourBudget::Clock::time_point> NeighbourBudget::nextRelease(Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    expire(now);
    if (m_ends.empty())
        return std::nullopt;
    return m_ends.begin()->first;
}

bool NeighbourBudget::take(std::uint32_t destination, Clock::time_point giveUpAt)
{
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (tryTake(destination, now))
            return true;
        if (now >= giveUpAt)
            return false;
        // Leases end only by time, so the earliest end is the first moment
        // worth trying again (another thread may take it first: then wait on).
        std::this_thread::sleep_until(std::min(nextRelease(now).value_or(now), giveUpAt));
    }
}

NeighbourBudget &NeighbourBudget::process()
{
    static NeighbourBudget budget(roomFor(readNeighbourThresholds().value_or(NeighbourThresholds{})),
                                  defaultHold);
    return budget;
}

} // namespace mac
