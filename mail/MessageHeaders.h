#pragma once

#include <QString>
#include <QStringList>

// The header lines of a message and of its attachment parts, as the sender
// writes them after DATA. Pure functions over what the caller gathered.
namespace MessageHeaders {

struct Envelope
{
    QString from;
    QString fromDisplayName;
    QString to;      // addressList() of the recipients
    QString cc;      // addressList() of the Cc recipients; empty for none
    QString subject; // not yet encoded
    QString replyTo;
    QString date;       // MailDate::dateHeader()
    int encodeType = 0; // 0 MIME, 1 plain text with uuencoded attachments
    int priority = 3;
    QString priorityWord = QStringLiteral("Normal");
    bool receipt = false;
    bool multipart = false;
    bool related = false; // multipart/related: some attachment is embedded in the HTML
    QString boundary;
    bool asHtml = false;
    bool eightBit = false;
    QByteArray charset = "iso-8859-1";
    QString contentBase;
};

// "name <address>" items joined with "," CR LF and a tab; a missing or empty
// name gives the address in double quotes.
QString addressList(const QStringList &addresses, const QStringList &names);

// Every header line of the message, each ending in CR LF, up to (not
// including) the empty line before the body.
QString build(const Envelope &envelope);

// The lines that open one base64 attachment part, ending with the empty line
// before its content.
QString attachmentPart(const QString &boundary, const QString &fileName, const QString &contentType,
                       bool contentId);

} // namespace MessageHeaders
