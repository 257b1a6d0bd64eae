#include "NeighbourBudget.h"

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
    while (!m_ends.empty() && m_ends.front() <= now)
        m_ends.pop_front();
}

bool NeighbourBudget::tryTake(Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    expire(now);
    if (static_cast<int>(m_ends.size()) >= m_room)
        return false;
    const Clock::time_point end = now + m_hold;
    m_ends.insert(std::upper_bound(m_ends.begin(), m_ends.end(), end), end);
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
    return m_ends.front();
}

bool NeighbourBudget::take(Clock::time_point giveUpAt)
{
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (tryTake(now))
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
