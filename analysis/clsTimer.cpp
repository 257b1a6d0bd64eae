#include "analysis/clsTimer.h"

namespace {

// The shortest period the system timer of the design would run with; a zero
// or negative Interval must not turn into a busy loop.
constexpr int MinimumIntervalMs = 10;

} // namespace

clsTimer::clsTimer(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(false);
    // Long periods (up to a day) must not drift by the coarse timer's 5 %.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &clsTimer::Timer);
}

void clsTimer::setEnable(bool on)
{
    if (on == m_timer.isActive())
        return;
    if (on)
        m_timer.start(qMax(m_interval, MinimumIntervalMs));
    else
        m_timer.stop();
}
