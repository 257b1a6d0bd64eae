#include "mail/MailCodecs.h"

namespace MailCodecs {

namespace {

char uuChar(int sixBits)
{
    return sixBits == 0 ? '`' : char(32 + sixBits);
}

} // namespace

QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray plain = data.toBase64();
    QByteArray out;
    out.reserve(plain.size() + plain.size() / Base64LineLength * 2 + 2);
    for (qsizetype at = 0; at < plain.size(); at += Base64LineLength) {
        out.append(plain.mid(at, Base64LineLength));
        out.append("\r\n");
    }
    return out;
}

QByteArray uuencodeLines(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() * 4 / 3 + data.size() / UuLineBytes * 4 + 8);
    for (qsizetype at = 0; at < data.size(); at += UuLineBytes) {
        const QByteArray line = data.mid(at, UuLineBytes);
        out.append(uuChar(int(line.size())));
        for (qsizetype i = 0; i < line.size(); i += 3) {
            const auto byte = [&](qsizetype k) { return k < line.size() ? quint8(line.at(k)) : quint8(0); };
            const quint32 group = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
            for (int shift = 18; shift >= 0; shift -= 6)
                out.append(uuChar(int((group >> shift) & 0x3f)));
        }
        out.append("\r\n");
    }
    return out;
}

QByteArray uuencodeClosing()
{
    return QByteArrayLiteral("`\r\n");
}

QString decodeBase64String(const QString &text)
{
    return QString::fromLatin1(QByteArray::fromBase64(text.toLatin1()));
}

} // namespace MailCodecs
