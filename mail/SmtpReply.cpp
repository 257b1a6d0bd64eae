#include "mail/SmtpReply.h"

#include <QList>
#include <QStringList>

#include "platform/TerminalText.h"

namespace SmtpReply {

bool isAccepted(const QByteArray &code)
{
    return code == "220" || code == "221" || code == "250" || code == "251";
}

bool isInformation(const QByteArray &code)
{
    return code == "211" || code == "214";
}

bool offersLogin(const QByteArray &reply)
{
    const QList<QByteArray> lines = reply.split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray words = line.mid(4).trimmed().toUpper();
        if (words.startsWith("AUTH") && words.contains("LOGIN"))
            return true;
    }
    return false;
}

bool offersStartTls(const QByteArray &reply)
{
    const QList<QByteArray> lines = reply.split('\n');
    for (const QByteArray &line : lines) {
        if (line.mid(4).trimmed().toUpper() == "STARTTLS")
            return true;
    }
    return false;
}

QString shownText(const QByteArray &reply)
{
    QStringList lines;
    for (const QByteArray &line : reply.trimmed().split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        lines.append(TerminalText::printable(QString::fromLatin1(text)));
    }
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace SmtpReply
