#include "records/RecordValidation.h"

#include <QStringList>

namespace RecordValidation {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiHexDigit(QChar c)
{
    return isAsciiDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

bool isValidIp(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        int value = 0;
        for (QChar c : part) {
            if (!isAsciiDigit(c))
                return false;
            value = value * 10 + (c.unicode() - '0');
        }
        if (value > 255)
            return false;
    }
    return true;
}

bool isValidMac(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 6)
        return false;
    for (const QString &part : parts) {
        if (part.size() != 2 || !isAsciiHexDigit(part.at(0)) || !isAsciiHexDigit(part.at(1)))
            return false;
    }
    return true;
}

std::optional<QString> scanFormMac(const QString &text)
{
    QString hyphens = text;
    if (!hyphens.contains(QLatin1Char('-')))
        hyphens.replace(QLatin1Char(':'), QLatin1Char('-'));
    if (!isValidMac(hyphens))
        return std::nullopt;
    return hyphens.toUpper();
}

} // namespace RecordValidation
