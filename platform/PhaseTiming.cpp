#include "platform/PhaseTiming.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Clock
{
    bool on = std::getenv("NETKESTREL_TIMING") && *std::getenv("NETKESTREL_TIMING");
    double start = nowMs();
};

} // namespace

void PhaseTiming::mark(const char *phase)
{
    static const Clock clock;
    if (clock.on)
        std::fprintf(stderr, "timing %.1f %s\n", nowMs() - clock.start, phase);
}
