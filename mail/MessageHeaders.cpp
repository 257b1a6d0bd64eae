#include "mail/MessageHeaders.h"

#include "mail/MailText.h"

namespace MessageHeaders {

namespace {

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString addressList(const QStringList &addresses, const QStringList &names)
{
    QStringList items;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QString name = i < names.size() ? names.at(i) : QString();
        items.append(MailText::displayName(name, addresses.at(i)) + QStringLiteral(" <") + addresses.at(i) +
                     QLatin1Char('>'));
    }
    return items.join(QStringLiteral(",\r\n\t"));
}

QString build(const Envelope &e)
{
    QStringList lines;
    const QString fromValue = MailText::displayName(e.fromDisplayName, e.from) + QStringLiteral(" <") +
                              e.from + QLatin1Char('>');
    lines << QStringLiteral("From: ") + fromValue;
    lines << QStringLiteral("To: ") + e.to;
    if (!e.cc.isEmpty())
        lines << QStringLiteral("Cc: ") + e.cc;
    lines << QStringLiteral("Subject: ") + MailText::encodeHeaderWords(e.subject);
    if (!e.replyTo.isEmpty())
        lines << QStringLiteral("Reply-to: <") + e.replyTo + QLatin1Char('>');
    lines << QStringLiteral("Date: ") + e.date;
    if (e.encodeType == 0) {
        lines << QStringLiteral("MIME-Version: 1.0");
        if (e.priority != 3) {
            lines << QStringLiteral("X-Priority: ") + QString::number(e.priority);
            lines << QStringLiteral("X-MSMail-Priority: ") + e.priorityWord;
        }
        if (e.receipt)
            lines << QStringLiteral("Disposition-Notification-To: ") + fromValue;
        if (e.multipart) {
            lines << (e.related ? QStringLiteral("Content-Type: multipart/related;")
                                : QStringLiteral("Content-Type: multipart/mixed;"));
            lines << QStringLiteral("\tboundary=") + quoted(e.boundary);
            lines << QString() << QStringLiteral("This is a multi-part message in MIME format.") << QString();
            lines << QStringLiteral("--") + e.boundary;
        }
        lines << (e.asHtml ? QStringLiteral("Content-Type: text/html;")
                           : QStringLiteral("Content-Type: text/plain;"));
        lines << QStringLiteral("\tcharset=") + quoted(QString::fromLatin1(e.charset));
        lines << (e.eightBit ? QStringLiteral("Content-Transfer-Encoding: 8bit")
                             : QStringLiteral("Content-Transfer-Encoding: 7bit"));
        if (e.asHtml && !e.contentBase.isEmpty())
            lines << QStringLiteral("Content-Base: ") + quoted(e.contentBase);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString attachmentPart(const QString &boundary, const QString &fileName, const QString &contentType,
                       bool contentId)
{
    QStringList lines;
    lines << QStringLiteral("--") + boundary;
    lines << QStringLiteral("Content-Type: ") +
                 (contentType.isEmpty() ? QStringLiteral("application/octet-stream") : contentType) +
                 QLatin1Char(';');
    lines << QStringLiteral("\tname=") + quoted(fileName);
    lines << QStringLiteral("Content-Transfer-Encoding: base64");
    lines << QStringLiteral("Content-Disposition: attachment;");
    lines << QStringLiteral("\tfilename=") + quoted(fileName);
    if (contentId)
        lines << QStringLiteral("Content-ID: <") + fileName + QLatin1Char('>');
    lines << QString();
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace MessageHeaders
