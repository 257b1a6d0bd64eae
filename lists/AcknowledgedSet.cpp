#include "lists/AcknowledgedSet.h"

#include <QStringList>

QString AcknowledgedSet::normalIp(const QString &ip)
{
    const QString trimmed = ip.trimmed();
    const QStringList parts = trimmed.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return trimmed;
    QStringList numbers;
    for (const QString &part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 10);
        if (!ok || value > 255 || part.size() > 3)
            return trimmed;
        numbers.append(QString::number(value));
    }
    return numbers.join(QLatin1Char('.'));
}

QString AcknowledgedSet::normalMac(const QString &mac)
{
    QString text = mac.trimmed().toUpper();
    text.replace(QLatin1Char(':'), QLatin1Char('-'));
    return text;
}

QString AcknowledgedSet::key(const QString &ip, const QString &mac)
{
    return normalIp(ip) + QLatin1Char(' ') + normalMac(mac);
}

void AcknowledgedSet::insert(const QString &ip, const QString &mac, const QDateTime &until)
{
    m_until.insert(key(ip, mac), until);
}

bool AcknowledgedSet::isAcknowledged(const QString &ip, const QString &mac, const QDateTime &at) const
{
    const auto found = m_until.constFind(key(ip, mac));
    if (found == m_until.cend())
        return false;
    return !found->isValid() || at <= *found;
}
