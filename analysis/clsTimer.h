#pragma once

#include <QObject>
#include <QTimer>

// A periodic timer with the design's two properties. Interval is the period
// used the next time the timer is enabled: changing it while the timer runs
// does not restart it. Enable starts and stops it; setting it to the value it
// has does nothing. Timer() is emitted at every expiry while enabled, on the
// thread the object lives on. Destroying the object stops the timer.
class clsTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Interval READ Interval WRITE setInterval)
    Q_PROPERTY(bool Enable READ Enable WRITE setEnable)

public:
    static constexpr int InitialIntervalMs = 1000;

    explicit clsTimer(QObject *parent = nullptr);

    int Interval() const { return m_interval; }
    void setInterval(int ms) { m_interval = ms; }
    bool Enable() const { return m_timer.isActive(); }
    void setEnable(bool on);

Q_SIGNALS:
    void Timer();

private:
    QTimer m_timer;
    int m_interval = InitialIntervalMs;
};
