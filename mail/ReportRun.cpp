#include "mail/ReportRun.h"

#include "mail/ReportBuilder.h"
#include "mail/ReportLog.h"
#include "mail/clsSendMail.h"
#include "records/AcknowledgementStore.h"

#include <QFileInfo>

ReportRun::ReportRun(ReportSettings settings, QString dataFolder, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_dataFolder(std::move(dataFolder))
{
}

ReportRun::~ReportRun()
{
    delete m_mail.data();
}

void ReportRun::configure(clsSendMail &mail, const ReportSettings &settings, const QString &body,
                          const QString &attachment)
{
    mail.setUseAuthentication(settings.useAuthentication);
    mail.setSMTPHost(settings.smtpHost);
    mail.setSMTPPort(settings.smtpPort);
    mail.setEncryption(settings.encryption);
    mail.setCaFile(settings.caFile);
    mail.setUsername(settings.user);
    mail.setPassword(settings.password);
    mail.setRecipient(settings.recipient);
    mail.setSubject(settings.subject);
    mail.setAsHTML(false);
    mail.setAttachment(attachment);
    mail.setMessage(body);
    mail.setFrom(settings.sender);
}

QString ReportRun::withoutFileText(const ReportSettings &settings, const QString &fileError)
{
    QString why = fileError;
    why.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return QStringLiteral("Email report sent to %1 without its report file: %2").arg(settings.recipient, why);
}

QString ReportRun::outcomeText(const ReportSettings &settings, bool sent, const QString &explanation)
{
    if (sent)
        return QStringLiteral("Email report sent to %1.").arg(settings.recipient);
    QString why = explanation;
    why.replace(QStringLiteral("\r\n"), QStringLiteral("; "));
    return QStringLiteral("Email report not sent: %1").arg(why);
}

AcknowledgedSet ReportRun::acknowledgedAt(const QDateTime &at)
{
    const RecordStore store(m_dataFolder, m_server);
    // A report never creates a database; a folder without one has no
    // acknowledgements.
    if (!m_server && !QFileInfo::exists(store.databasePath()))
        return {};
    const Result<AcknowledgedSet> active = AcknowledgementStore(store).activeAt(at);
    if (active)
        return *active;
    // Better a report with findings someone has seen than none at all.
    Q_EMIT status(active.error());
    return {};
}

void ReportRun::start(const ListModel &analysisList, const QDateTime &at)
{
    if (m_running)
        return;
    m_running = true;
    m_at = at;
    const ReportBuilder::Plan plan = ReportBuilder::make(
        analysisList, m_settings.isResult, m_settings.message, m_dataFolder, at, acknowledgedAt(at), m_site);
    if (!plan.fileError.isEmpty())
        Q_EMIT status(plan.fileError);
    if (!plan.send) {
        QMetaObject::invokeMethod(
            this, [this] { end(true, QLatin1String(NothingToSend)); }, Qt::QueuedConnection);
        return;
    }

    m_mail = new clsSendMail(this);
    configure(*m_mail, m_settings, plan.body, plan.attachment);
    connect(m_mail, &clsSendMail::Status, this, &ReportRun::status);
    // The mail that says no result was generated still goes out, but the
    // report is not whole: the run ends as a failure that says why.
    const QString fileError = plan.fileError;
    connect(m_mail, &clsSendMail::SendSuccesful, this, [this, fileError] {
        if (fileError.isEmpty())
            end(true, outcomeText(m_settings, true, {}));
        else
            end(false, withoutFileText(m_settings, fileError));
    });
    connect(m_mail, &clsSendMail::SendFailed, this,
            [this](const QString &why) { end(false, outcomeText(m_settings, false, why)); });
    m_mail->Send();
}

void ReportRun::end(bool sent, const QString &outcome)
{
    if (!m_running)
        return;
    m_running = false;
    if (m_mail) // it still closes its connection after the signal
        m_mail->deleteLater();
    ReportLog::append(m_dataFolder, m_at, outcome);
    Q_EMIT finished(sent, outcome);
}
