#include "mail/SendMailProperties.h"

#include <QFileInfo>
#include <QHostInfo>

#include "mail/MailAddress.h"
#include "platform/SettingsSection.h"
#include "scan/PingHost.h"

namespace {

const char *const Application = "Postrider";
const char *const Section = "Settings";

SettingsSection store()
{
    return SettingsSection(QLatin1String(Application), QLatin1String(Section));
}

bool resolves(const QString &host)
{
    return !QHostInfo::fromName(host).addresses().isEmpty();
}

bool answersEcho(const QString &host)
{
    const QList<QHostAddress> addresses = QHostInfo::fromName(host).addresses();
    for (const QHostAddress &address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return pingOnce(address.toString(), 1000).kind == PingOutcome::Kind::Reply;
    }
    return false;
}

bool storedFlag(const SettingsSection &section, const QString &name, bool fallback)
{
    const QString text = section.value(name).trimmed();
    if (text.isEmpty())
        return fallback;
    bool number = false;
    const int value = text.toInt(&number);
    return number ? value != 0 : text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

const QStringList &SendMailProperties::savedNames()
{
    static const QStringList names = {
        QStringLiteral("ConnectRetry"),
        QStringLiteral("ConnectTimeout"),
        QStringLiteral("EmailValidation"),
        QStringLiteral("EncodeType"),
        QStringLiteral("From"),
        QStringLiteral("FromDisplayName"),
        QStringLiteral("MaxRecipients"),
        QStringLiteral("MessageTimeout"),
        QStringLiteral("PersistentSettings"),
        QStringLiteral("Pop3Host"),
        QStringLiteral("RemoteHost"),
        QStringLiteral("SMTPHostValidation"),
        QStringLiteral("RemotePort"),
        QStringLiteral("UseAuthentication"),
        QStringLiteral("UsePopAuthentication"),
        QStringLiteral("Username"),
    };
    return names;
}

SendMailProperties::SendMailProperties() : m_resolve(resolves), m_ping(answersEcho)
{
    if (storedFlag(store(), QStringLiteral("PersistentSettings"), false))
        load();
}

void SendMailProperties::load()
{
    const SettingsSection s = store();
    m_persistent = true;
    m_connectRetry = s.intValue(QStringLiteral("ConnectRetry"), m_connectRetry);
    m_connectTimeout = s.intValue(QStringLiteral("ConnectTimeout"), m_connectTimeout);
    m_emailValidation = s.intValue(QStringLiteral("EmailValidation"), m_emailValidation);
    m_encodeType = s.intValue(QStringLiteral("EncodeType"), m_encodeType);
    m_maxRecipients = s.intValue(QStringLiteral("MaxRecipients"), m_maxRecipients);
    if (m_maxRecipients < 1)
        m_maxRecipients = 100;
    m_messageTimeout = s.intValue(QStringLiteral("MessageTimeout"), m_messageTimeout);
    m_hostValidation = s.intValue(QStringLiteral("SMTPHostValidation"), m_hostValidation);
    m_smtpPort = s.intValue(QStringLiteral("RemotePort"), m_smtpPort);
    m_errors.set(QLatin1String(InvalidPort), m_smtpPort < 1 || m_smtpPort > 65535);
    m_useAuth = storedFlag(s, QStringLiteral("UseAuthentication"), m_useAuth);
    m_usePopAuth = storedFlag(s, QStringLiteral("UsePopAuthentication"), m_usePopAuth);
    m_username = s.value(QStringLiteral("Username"));
    m_fromDisplayName = s.value(QStringLiteral("FromDisplayName"));
    // Through the setters, so that a stored value that is no longer valid
    // stands in the error list. Saving it again changes nothing.
    setFrom(s.value(QStringLiteral("From")));
    setSMTPHost(s.value(QStringLiteral("RemoteHost")));
    const QString pop3Host = s.value(QStringLiteral("Pop3Host"));
    if (!pop3Host.isEmpty())
        setPOP3Host(pop3Host);
}

void SendMailProperties::save(const char *name, const QString &value) const
{
    if (m_persistent)
        store().setValue(QLatin1String(name), value);
}

QStringList SendMailProperties::split(const QString &text, bool keepEmpty) const
{
    QStringList items;
    if (text.isEmpty())
        return items;
    const QStringList parts = text.split(m_delimiter);
    for (QString item : parts) {
        item.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).remove(QLatin1Char('\t'));
        item = item.trimmed();
        if (keepEmpty || !item.isEmpty())
            items.append(item);
    }
    return items;
}

void SendMailProperties::setAddresses(QStringList &target, const QString &addresses, const char *message)
{
    target = split(addresses, false);
    bool invalid = false;
    if (m_emailValidation == 1) {
        for (const QString &address : std::as_const(target))
            invalid = invalid || !MailAddress::isValidEmailAddress(address);
    }
    m_errors.set(QLatin1String(message), invalid);
}

void SendMailProperties::setAttachment(const QString &paths)
{
    m_attachments = split(paths, false);
    m_attachmentBytes = 0;
    bool missing = false;
    for (const QString &path : std::as_const(m_attachments)) {
        const QFileInfo file(path);
        missing = missing || !file.isFile();
        m_attachmentBytes += file.size();
    }
    m_errors.set(QLatin1String(AttachmentMissing), missing);
}

void SendMailProperties::setBccRecipient(const QString &addresses)
{
    setAddresses(m_bcc, addresses, InvalidBcc);
}

void SendMailProperties::setCcRecipient(const QString &addresses)
{
    setAddresses(m_cc, addresses, InvalidCc);
}

void SendMailProperties::setRecipient(const QString &addresses)
{
    setAddresses(m_recipients, addresses, InvalidRecipient);
}

void SendMailProperties::setContentBase(const QString &base)
{
    QString text = base;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!text.isEmpty()) {
        if (!text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
            text.prepend(QLatin1String("http://"));
        if (!text.endsWith(QLatin1Char('/')))
            text.append(QLatin1Char('/'));
    }
    m_contentBase = text;
}

void SendMailProperties::setDelimiter(const QString &delimiter)
{
    if (!delimiter.isEmpty())
        m_delimiter = delimiter.at(0);
}

void SendMailProperties::setFrom(const QString &address)
{
    m_from = address.trimmed();
    m_errors.set(QLatin1String(InvalidSender),
                 !m_from.isEmpty() && m_emailValidation == 1 && !MailAddress::isValidEmailAddress(m_from));
    save("From", m_from);
}

void SendMailProperties::setPersistentSettings(bool on)
{
    m_persistent = true; // so that turning it off is stored too
    save("PersistentSettings", on ? 1 : 0);
    m_persistent = on;
}

void SendMailProperties::setPriority(int priority)
{
    m_priority = priority;
    if (priority == 1)
        m_priorityWord = QStringLiteral("High");
    else if (priority == 3)
        m_priorityWord = QStringLiteral("Normal");
    else if (priority == 5)
        m_priorityWord = QStringLiteral("Low");
}

bool SendMailProperties::hostPasses(const QString &host) const
{
    switch (m_hostValidation) {
    case 1:
        return MailAddress::isValidHostName(host);
    case 2:
        return m_ping && m_ping(host);
    case 3:
        return m_resolve && m_resolve(host);
    default:
        return true;
    }
}

void SendMailProperties::setPOP3Host(const QString &host)
{
    m_pop3Host = host.trimmed();
    m_errors.set(QLatin1String(InvalidPop3Host), m_pop3Host.isEmpty() || !hostPasses(m_pop3Host));
    save("Pop3Host", m_pop3Host);
}

void SendMailProperties::setSMTPHost(const QString &host)
{
    m_smtpHost = QString(host).remove(QChar(0)).trimmed();
    // An empty host is accepted here; the connection asks the MX query for one.
    m_errors.set(QLatin1String(InvalidSmtpHost), !m_smtpHost.isEmpty() && !hostPasses(m_smtpHost));
    save("RemoteHost", m_smtpHost);
}

void SendMailProperties::setSMTPPort(int port)
{
    m_smtpPort = port;
    m_errors.set(QLatin1String(InvalidPort), port < 1 || port > 65535);
    save("RemotePort", port);
}

void SendMailProperties::setHostProbes(HostProbe resolve, HostProbe ping)
{
    m_resolve = std::move(resolve);
    m_ping = std::move(ping);
}

MessageHeaders::Envelope SendMailProperties::envelope() const
{
    MessageHeaders::Envelope envelope;
    envelope.from = m_from;
    envelope.fromDisplayName = m_fromDisplayName;
    envelope.to = MessageHeaders::addressList(m_recipients, m_recipientNames);
    envelope.cc = MessageHeaders::addressList(m_cc, m_ccNames);
    envelope.subject = m_subject;
    envelope.replyTo = m_replyTo;
    envelope.encodeType = m_encodeType;
    envelope.priority = m_priority;
    envelope.priorityWord = m_priorityWord;
    envelope.receipt = m_receipt;
    envelope.asHtml = m_asHtml;
    envelope.contentBase = m_contentBase;
    return envelope;
}
