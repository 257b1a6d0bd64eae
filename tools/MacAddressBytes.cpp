#include "tools/MacAddressBytes.h"

#include <QStringList>

namespace {

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

} // namespace

std::optional<MacBytes> MacAddressBytes::parse(const QString &text)
{
    const QChar separator = text.contains(QLatin1Char('-')) ? QLatin1Char('-') : QLatin1Char(':');
    const QStringList parts = text.split(separator);
    if (parts.size() != 6)
        return std::nullopt;
    MacBytes bytes{};
    for (int k = 0; k < 6; ++k) {
        const QString &part = parts.at(k);
        if (part.isEmpty() || part.size() > 2)
            return std::nullopt;
        int value = 0;
        for (const QChar c : part) {
            const int digit = hexDigit(c);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        bytes[k] = quint8(value);
    }
    return bytes;
}

QString MacAddressBytes::colonForm(const MacBytes &bytes)
{
    QStringList parts;
    for (const quint8 byte : bytes)
        parts.append(QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')));
    return parts.join(QLatin1Char(':'));
}
