#include "history/MacText.h"

#include <QByteArray>

namespace {

bool isUpperHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

bool isKeyForm(const QString &mac)
{
    if (mac.size() != 17)
        return false;
    for (qsizetype k = 0; k < 17; ++k) {
        if (k % 3 == 2 ? mac.at(k) != u'-' : !isUpperHexDigit(mac.at(k)))
            return false;
    }
    return true;
}

// An upper-case hex digit's value.
int hexValue(QChar c)
{
    return c <= u'9' ? c.unicode() - u'0' : c.unicode() - u'A' + 10;
}

// The six octets, or an empty array when the text is no MAC.
QByteArray octets(const QString &mac)
{
    // The key form, which every scan row has, is read without the copies below.
    if (isKeyForm(mac)) {
        QByteArray bytes(6, Qt::Uninitialized);
        for (int k = 0; k < 6; ++k)
            bytes[k] = char(hexValue(mac.at(3 * k)) << 4 | hexValue(mac.at(3 * k + 1)));
        return bytes;
    }
    QString hex = mac.trimmed();
    hex.remove(QLatin1Char('-')).remove(QLatin1Char(':'));
    if (hex.size() != 12)
        return {};
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    // fromHex skips what is not hex; twelve digits give exactly six octets.
    return bytes.size() == 6 && hex.toLatin1().toUpper() == bytes.toHex().toUpper() ? bytes : QByteArray();
}

} // namespace

namespace MacText {

QString key(const QString &mac)
{
    // A scan hands every MAC over in the key form already; a /16 of them
    // should cost no copies.
    if (isKeyForm(mac))
        return mac;
    const QByteArray bytes = octets(mac);
    if (bytes.isEmpty())
        return mac.trimmed().toUpper();
    return QString::fromLatin1(bytes.toHex('-').toUpper());
}

bool isLocallyAdministered(const QString &mac)
{
    const QByteArray bytes = octets(mac);
    return !bytes.isEmpty() && (quint8(bytes.at(0)) & 0x02) != 0;
}

bool isStationAddress(const QString &mac)
{
    const QByteArray bytes = octets(mac);
    return !bytes.isEmpty() && bytes != QByteArray(6, '\0') && (quint8(bytes.at(0)) & 0x01) == 0;
}

QString shown(const QString &mac)
{
    return isLocallyAdministered(mac) ? mac + QLatin1String(" (randomised)") : mac;
}

} // namespace MacText
