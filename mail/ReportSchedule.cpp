#include "mail/ReportSchedule.h"

ReportSchedule::ReportSchedule(QObject *parent)
    : QObject(parent), m_clock([] { return QDateTime::currentDateTime(); })
{
    m_timer.setObjectName(QStringLiteral("TimerEmail"));
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &ReportSchedule::TimerEmail_Timer);
}

void ReportSchedule::setTime(int hour, int minute)
{
    m_hour = hour;
    m_minute = minute;
}

void ReportSchedule::setEnabled(bool on)
{
    if (on)
        m_timer.start();
    else
        m_timer.stop();
}

void ReportSchedule::TimerEmail_Timer()
{
    const QDateTime now = m_clock();
    if (now.time().hour() != m_hour || now.time().minute() != m_minute)
        return;
    const QDateTime scheduled(now.date(), QTime(m_hour, m_minute));
    if (scheduled == m_lastDue)
        return;
    m_lastDue = scheduled;
    Q_EMIT reportDue(now);
}
