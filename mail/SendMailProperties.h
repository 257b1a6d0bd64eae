#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

#include "mail/MailEncryption.h"
#include "mail/MailErrorList.h"
#include "mail/MailText.h"
#include "mail/MessageHeaders.h"

// The parts of one message and the settings of its sending, as properties
// with their defaults and checks. A setter that is given an invalid value
// adds its message to errors() and a later valid value removes it again; a
// send fails at once while errors() is not empty. When PersistentSettings is
// on, the setters of the saved properties (savedNames()) write their value
// to the "Postrider"/"Settings" store; the password is never written.
//
// List properties (Recipient, CcRecipient, BccRecipient, their display names,
// Attachment) take one text split at Delimiter, each item trimmed and rid of
// CR, LF and tab; reading gives the items joined with Delimiter.
class SendMailProperties
{
public:
    // Checks of the SMTP host name beyond syntax (SMTPHostValidation 2 and 3).
    // They block the caller; tests replace them.
    using HostProbe = std::function<bool(const QString &host)>;

    // The value names of the store, in the order of the properties.
    static const QStringList &savedNames();

    // The messages of the checks, in the program's own words.
    static constexpr const char *AttachmentMissing = "The file you tried to attach does not exist";
    static constexpr const char *InvalidBcc = "Invalid Bcc: Recipient E-mail Address";
    static constexpr const char *InvalidCc = "Invalid Cc: Recipient E-mail Address";
    static constexpr const char *InvalidSender = "Missing or Invalid Sender E-mail Address";
    static constexpr const char *InvalidRecipient = "Missing or Invalid Recipient E-mail Address";
    static constexpr const char *InvalidPop3Host = "Invalid or Missing POP3 Host Name";
    static constexpr const char *InvalidSmtpHost = "Invalid or Missing SMTP Host Name";
    static constexpr const char *InvalidPort = "Invalid Remote Port";

    // Reads the stored values when the stored "PersistentSettings" is not 0.
    SendMailProperties();
    virtual ~SendMailProperties() = default;

    // The checks' messages that stand now, in the order they were added.
    const MailErrorList &errors() const { return m_errors; }

    bool AsHTML() const { return m_asHtml; }
    void setAsHTML(bool on) { m_asHtml = on; }
    QString Attachment() const { return joined(m_attachments); }
    void setAttachment(const QString &paths);
    QString BccRecipient() const { return joined(m_bcc); }
    void setBccRecipient(const QString &addresses);
    QString CcDisplayName() const { return joined(m_ccNames); }
    void setCcDisplayName(const QString &names) { m_ccNames = split(names, true); }
    QString CcRecipient() const { return joined(m_cc); }
    void setCcRecipient(const QString &addresses);
    int ConnectRetry() const { return m_connectRetry; }
    void setConnectRetry(int attempts) { keep(m_connectRetry, "ConnectRetry", attempts); }
    int ConnectTimeout() const { return m_connectTimeout; }
    void setConnectTimeout(int seconds) { keep(m_connectTimeout, "ConnectTimeout", seconds); }
    QString ContentBase() const { return m_contentBase; }
    void setContentBase(const QString &base);
    QChar Delimiter() const { return m_delimiter; }
    void setDelimiter(const QString &delimiter);
    int EmailAddressValidation() const { return m_emailValidation; }
    void setEmailAddressValidation(int check) { keep(m_emailValidation, "EmailValidation", check); }
    int EncodeType() const { return m_encodeType; }
    void setEncodeType(int type) { keep(m_encodeType, "EncodeType", type); }
    QString from() const { return m_from; }
    void setFrom(const QString &address);
    QString FromDisplayName() const { return m_fromDisplayName; }
    void setFromDisplayName(const QString &name) { keep(m_fromDisplayName, "FromDisplayName", name); }
    int MaxRecipients() const { return m_maxRecipients; }
    void setMaxRecipients(int count) { keep(m_maxRecipients, "MaxRecipients", count); }
    // The prepared text: lines broken at 998 characters and joined with CR LF.
    QString Message() const { return m_message.text; }
    void setMessage(const QString &text) { m_message = MailText::prepareMessage(text); }
    bool messageIsEightBit() const { return m_message.eightBit; }
    int MessageTimeout() const { return m_messageTimeout; }
    void setMessageTimeout(int seconds) { keep(m_messageTimeout, "MessageTimeout", seconds); }
    QString Password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }
    bool PersistentSettings() const { return m_persistent; }
    void setPersistentSettings(bool on);
    int Priority() const { return m_priority; }
    QString priorityWord() const { return m_priorityWord; }
    void setPriority(int priority);
    bool Receipt() const { return m_receipt; }
    void setReceipt(bool on) { m_receipt = on; }
    QString Recipient() const { return joined(m_recipients); }
    void setRecipient(const QString &addresses);
    QString RecipientDisplayName() const { return joined(m_recipientNames); }
    void setRecipientDisplayName(const QString &names) { m_recipientNames = split(names, true); }
    QString ReplyToAddress() const { return m_replyTo; }
    void setReplyToAddress(const QString &address) { m_replyTo = address.trimmed(); }
    QString POP3Host() const { return m_pop3Host; }
    void setPOP3Host(const QString &host);
    QString SMTPHost() const { return m_smtpHost; }
    void setSMTPHost(const QString &host);
    int SMTPHostValidation() const { return m_hostValidation; }
    void setSMTPHostValidation(int check) { keep(m_hostValidation, "SMTPHostValidation", check); }
    int SMTPPort() const { return m_smtpPort; }
    void setSMTPPort(int port);
    QString Subject() const { return m_subject; }
    void setSubject(const QString &subject) { m_subject = subject; }
    bool UseAuthentication() const { return m_useAuth; }
    void setUseAuthentication(bool on) { keep(m_useAuth, "UseAuthentication", on); }
    bool UsePopAuthentication() const { return m_usePopAuth; }
    void setUsePopAuthentication(bool on) { keep(m_usePopAuth, "UsePopAuthentication", on); }
    QString Username() const { return m_username; }
    void setUsername(const QString &user) { keep(m_username, "Username", user); }

    // Beyond the original properties: the POP3 port (110), the encryption of
    // the SMTP connection (StartTls unless set) and a CA file (PEM) to verify
    // the server against in place of the system's trust store. Not saved.
    int POP3Port() const { return m_pop3Port; }
    void setPOP3Port(int port) { m_pop3Port = port; }
    MailEncryption Encryption() const { return m_encryption; }
    void setEncryption(MailEncryption encryption) { m_encryption = encryption; }
    QString CaFile() const { return m_caFile; }
    void setCaFile(const QString &path) { m_caFile = path; }

    // Replaces the resolver (SMTPHostValidation 3) and the echo (2).
    void setHostProbes(HostProbe resolve, HostProbe ping);

protected:
    QStringList recipients() const { return m_recipients; }
    QStringList ccRecipients() const { return m_cc; }
    QStringList bccRecipients() const { return m_bcc; }
    QStringList recipientNames() const { return m_recipientNames; }
    QStringList ccNames() const { return m_ccNames; }
    QStringList attachmentPaths() const { return m_attachments; }
    qint64 attachmentBytes() const { return m_attachmentBytes; }
    MailErrorList &propertyErrors() { return m_errors; }
    // The header fields that the properties give (all but the date and the
    // MIME parts).
    MessageHeaders::Envelope envelope() const;

private:
    QStringList split(const QString &text, bool keepEmpty) const;
    QString joined(const QStringList &items) const { return items.join(m_delimiter); }
    void setAddresses(QStringList &target, const QString &addresses, const char *message);
    bool hostPasses(const QString &host) const;
    void save(const char *name, const QString &value) const;
    void save(const char *name, int value) const { save(name, QString::number(value)); }
    // Sets a saved property (a flag is stored as 1 or 0).
    template <typename T>
    void keep(T &field, const char *name, const T &value)
    {
        field = value;
        save(name, value);
    }
    void load();

    MailErrorList m_errors;
    bool m_asHtml = false;
    QStringList m_attachments;
    qint64 m_attachmentBytes = 0;
    QStringList m_bcc;
    QStringList m_ccNames;
    QStringList m_cc;
    int m_connectRetry = 4;
    int m_connectTimeout = 40;
    QString m_contentBase;
    QChar m_delimiter = QLatin1Char(';');
    int m_emailValidation = 1;
    int m_encodeType = 0;
    QString m_from;
    QString m_fromDisplayName;
    int m_maxRecipients = 100;
    MailText::PreparedMessage m_message;
    int m_messageTimeout = 60;
    QString m_password;
    bool m_persistent = false;
    int m_priority = 3;
    QString m_priorityWord = QStringLiteral("Normal");
    bool m_receipt = false;
    QStringList m_recipients;
    QStringList m_recipientNames;
    QString m_replyTo;
    QString m_pop3Host;
    QString m_smtpHost;
    int m_hostValidation = 3;
    int m_smtpPort = 25;
    QString m_subject;
    bool m_useAuth = false;
    bool m_usePopAuth = false;
    QString m_username;
    int m_pop3Port = 110;
    MailEncryption m_encryption = DefaultMailEncryption;
    QString m_caFile;
    HostProbe m_resolve;
    HostProbe m_ping;
};
