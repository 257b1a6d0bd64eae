#include "mail/DailyReport.h"

#include "mail/ReportRun.h"

DailyReport::DailyReport(const ListModel &analysisList, QString dataFolder, QObject *parent)
    : QObject(parent), m_list(analysisList), m_dataFolder(std::move(dataFolder))
{
    connect(&m_schedule, &ReportSchedule::reportDue, this, &DailyReport::makeReport);
    setSettings(m_settings);
}

void DailyReport::setSettings(const ReportSettings &settings)
{
    m_settings = settings;
    m_schedule.setTime(settings.hour, settings.minute);
    m_schedule.setEnabled(settings.isSend);
}

void DailyReport::makeReport(const QDateTime &at)
{
    if (m_run)
        return;
    m_run = new ReportRun(m_settings, m_dataFolder, this);
    m_run->setServer(m_server);
    m_run->setSite(m_site);
    connect(m_run, &ReportRun::status, this, &DailyReport::status);
    connect(m_run, &ReportRun::finished, this, [this](bool sent, const QString &outcome) {
        m_run->deleteLater();
        m_run = nullptr;
        Q_EMIT reportFinished(sent, outcome);
    });
    m_run->start(m_list, at);
}
