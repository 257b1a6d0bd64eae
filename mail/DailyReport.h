#pragma once

#include <QObject>
#include <QPointer>

#include "mail/ReportRun.h"
#include "mail/ReportSchedule.h"
#include "mail/ReportSettings.h"

class ListModel;

// The daily mail report of a running program (the window, or
// `netkestrel-cli watch --report`): the in-memory copy of the settings, the
// schedule (on while ISsend is 1), and at the scheduled minute one report of
// the analysis list as it stands then. A report still being sent when the
// next falls due is left to finish; the later one is skipped.
//
// The list must outlive it. GUI (or main) thread only.
class DailyReport : public QObject
{
    Q_OBJECT

public:
    DailyReport(const ListModel &analysisList, QString dataFolder, QObject *parent = nullptr);

    // Takes a copy; starts or stops the schedule by isSend and sets its time.
    void setSettings(const ReportSettings &settings);
    const ReportSettings &settings() const { return m_settings; }
    QString scheduledText() const { return m_settings.scheduledText(); }

    ReportSchedule &schedule() { return m_schedule; }
    bool isSending() const { return m_run; }

    // The record store of the acknowledgements (ReportRun::setServer).
    void setServer(std::optional<DatabaseUrl> server) { m_server = std::move(server); }
    // The site its reports name (ReportRun::setSite); empty: none.
    void setSite(const QString &site) { m_site = site; }
    const QString &site() const { return m_site; }

    // Makes the report now, as the schedule does when it falls due.
    void makeReport(const QDateTime &at);

Q_SIGNALS:
    void status(const QString &text);
    void reportFinished(bool sent, const QString &outcome);

private:
    const ListModel &m_list;
    QString m_dataFolder;
    std::optional<DatabaseUrl> m_server;
    QString m_site;
    ReportSettings m_settings;
    ReportSchedule m_schedule;
    QPointer<ReportRun> m_run;
};
