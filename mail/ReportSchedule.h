#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

// When the daily report is due: the timer TimerEmail ticks every 500 ms while
// the schedule is on and compares the clock with the scheduled hour and
// minute. The report falls due once in that minute of each day, at the first
// tick inside it: further ticks of the same minute (and a clock set back into
// it) do not make a second report, and a tick that comes late in the minute
// (a busy event loop) still makes it. A changed time counts as a new minute.
//
// The window's automatic mode and `netkestrel-cli watch --report` share it.
// Lives on the thread that runs its event loop.
class ReportSchedule : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit ReportSchedule(QObject *parent = nullptr);

    // The system clock unless a test sets one.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setTime(int hour, int minute);
    int hour() const { return m_hour; }
    int minute() const { return m_minute; }

    // Starts or stops TimerEmail.
    void setEnabled(bool on);
    bool isEnabled() const { return m_timer.isActive(); }
    QTimer &TimerEmail() { return m_timer; }

    // One tick of TimerEmail; public so that tests drive it with their clock.
    void TimerEmail_Timer();

Q_SIGNALS:
    // The scheduled minute of today has come.
    void reportDue(const QDateTime &at);

private:
    QTimer m_timer;
    Clock m_clock;
    int m_hour = 17;
    int m_minute = 30;
    QDateTime m_lastDue; // the scheduled minute last reported, date included
};
