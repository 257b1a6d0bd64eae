#pragma once

#include <chrono>

namespace mac {

using Clock = std::chrono::steady_clock;

// Milliseconds from now until when, rounded up, for poll(); 0 once passed.
inline int millisecondsUntil(Clock::time_point when)
{
    const auto left = when - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

} // namespace mac
