#include "mail/MailText.h"

#include <QStringList>

namespace MailText {

namespace {

QStringList splitLines(const QString &text)
{
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normal.split(QLatin1Char('\n'));
}

void appendBroken(QStringList &out, QString line)
{
    while (line.size() > MaxLineLength) {
        const qsizetype blank = line.lastIndexOf(QLatin1Char(' '), MaxLineLength - 1);
        const qsizetype cut = blank > 0 ? blank + 1 : MaxLineLength;
        out.append(line.left(cut));
        line = line.mid(cut);
    }
    out.append(line);
}

} // namespace

PreparedMessage prepareMessage(const QString &text)
{
    QStringList lines;
    for (const QString &line : splitLines(text))
        appendBroken(lines, line);
    return {lines.join(QLatin1String("\r\n")), hasEightBit(text)};
}

bool hasEightBit(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 126)
            return true;
    }
    return false;
}

QByteArray charsetFor(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 255)
            return QByteArrayLiteral("utf-8");
    }
    return QByteArrayLiteral("iso-8859-1");
}

QByteArray encodeText(const QString &text)
{
    return charsetFor(text) == "utf-8" ? text.toUtf8() : text.toLatin1();
}

QString encodeHeaderWords(const QString &text)
{
    if (!hasEightBit(text))
        return text;
    const QString prefix = charsetFor(text) == "utf-8" ? QStringLiteral("=?UTF-8?B?")
                                                       : QStringLiteral("=?ISO-8859-1?B?");
    QStringList words;
    for (qsizetype at = 0; at < text.size(); at += EncodedWordLength) {
        QString piece = text.mid(at, EncodedWordLength);
        const QByteArray bytes = prefix.startsWith(QLatin1String("=?UTF")) ? piece.toUtf8()
                                                                           : piece.toLatin1();
        words.append(prefix + QString::fromLatin1(bytes.toBase64()) + QStringLiteral("?="));
    }
    return words.join(QStringLiteral("\r\n\t"));
}

QString displayName(const QString &name, const QString &address)
{
    if (name.isEmpty())
        return QLatin1Char('"') + address + QLatin1Char('"');
    if (hasEightBit(name))
        return encodeHeaderWords(name);
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace MailText
