#include "platform/LocalAddress.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QStringList>

namespace LocalAddress {

QString GetLocalAddress(bool wantAddress)
{
    if (!wantAddress)
        return QHostInfo::localHostName().left(50).trimmed();
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QHostAddress address = entry.ip();
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
                return address.toString();
        }
    }
    return {};
}

QStringList defaultRangeBoxes(const QString &address)
{
    QHostAddress parsed;
    const QStringList octets = address.split(QLatin1Char('.'));
    if (octets.size() != 4 || !parsed.setAddress(address) ||
        parsed.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    const QStringList network = octets.mid(0, 3);
    return network + QStringList{QStringLiteral("1")} + network + QStringList{QStringLiteral("255")};
}

} // namespace LocalAddress
