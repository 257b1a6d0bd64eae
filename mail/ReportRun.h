#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <optional>

#include "lists/AcknowledgedSet.h"
#include "mail/ReportSettings.h"
#include "records/DatabaseUrl.h"

class ListModel;
class clsSendMail;

// Makes one report of the analysis list and sends it: the report file and
// body (ReportBuilder), one clsSendMail set up from the settings, and the
// outcome, which is appended to the report log of the data folder and handed
// to the caller as one line for a status bar or a terminal.
//
// Asynchronous: start() returns at once; exactly one finished() follows
// (at once, queued, when nothing is to be sent). The list is read only during
// start(). Lives on a thread with an event loop.
class ReportRun : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *NothingToSend = "Email report: no analysis results, nothing sent.";

    ReportRun(ReportSettings settings, QString dataFolder, QObject *parent = nullptr);
    ~ReportRun() override;

    // Sets the sender's properties in the order the report has always set
    // them; the Test button of the options dialog uses it too.
    static void configure(clsSendMail &mail, const ReportSettings &settings, const QString &body,
                          const QString &attachment);
    // The line that says how a send ended ("explanation": the sender's
    // messages joined with CR LF; empty when it was sent).
    static QString outcomeText(const ReportSettings &settings, bool sent, const QString &explanation);
    // The line of a mail that went out without the report file it should
    // have carried, because the file could not be written (fileError: why).
    static QString withoutFileText(const ReportSettings &settings, const QString &fileError);

    // The record store whose acknowledgements count: a server, or nothing for
    // the file in the data folder (the default).
    void setServer(std::optional<DatabaseUrl> server) { m_server = std::move(server); }
    // The site the user named (ReportBuilder::body); empty when none was.
    void setSite(const QString &site) { m_site = site; }

    // Findings acknowledged at the moment at (in that record store) are left
    // out of the report.
    void start(const ListModel &analysisList, const QDateTime &at);
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void status(const QString &text);
    // sent: the report went out whole (with its report file when it has
    // findings), or there was nothing to send.
    void finished(bool sent, const QString &outcome);

private:
    AcknowledgedSet acknowledgedAt(const QDateTime &at);
    void end(bool sent, const QString &outcome);

    ReportSettings m_settings;
    QString m_dataFolder;
    std::optional<DatabaseUrl> m_server;
    QString m_site;
    QDateTime m_at;
    QPointer<clsSendMail> m_mail;
    bool m_running = false;
};
