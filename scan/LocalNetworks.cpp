#include "scan/LocalNetworks.h"

#include <QNetworkInterface>
#include <QStringList>

#include "scan/ScanRange.h"

bool LocalNetworks::Network::contains(quint32 host) const
{
    const quint32 mask = prefixLength <= 0 ? 0 : ~quint32(0) << (32 - qMin(prefixLength, 32));
    return (host & mask) == (address & mask);
}

LocalNetworks LocalNetworks::current()
{
    QList<Network> networks;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            networks.append({interface.name(), entry.ip().toIPv4Address(), entry.prefixLength()});
        }
    }
    return LocalNetworks(std::move(networks));
}

QString LocalNetworks::arpRefusal(const ScanRange &range) const
{
    for (const Network &network : m_networks) {
        if (network.contains(range.first()) && network.contains(range.last()))
            return QString();
    }
    QStringList known;
    for (const Network &network : m_networks) {
        known << QStringLiteral("%1/%2 on %3")
                     .arg(ScanRange::dotted(network.address))
                     .arg(network.prefixLength)
                     .arg(network.interfaceName);
    }
    return QStringLiteral(
               "%1 to %2 is not inside a network of this computer, and ARP only reaches hosts on one "
               "(%3). Nothing was sent. Use the UDP scan for hosts behind a router.")
        .arg(ScanRange::dotted(range.first()), ScanRange::dotted(range.last()),
             known.isEmpty() ? QStringLiteral("this computer has none") : known.join(QStringLiteral(", ")));
}
