#include "scan/OnLinkNetworks.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>
#include <utility>

OnLinkNetworks OnLinkNetworks::ofThisHost()
{
    QList<OnLinkNetwork> networks;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack) ||
            (flags & QNetworkInterface::IsPointToPoint))
            continue;
        const QByteArray hardware = QByteArray::fromHex(interface.hardwareAddress().toLatin1());
        if (hardware.size() != 6)
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            const QHostAddress address = entry.ip();
            const int length = entry.prefixLength();
            if (address.protocol() != QAbstractSocket::IPv4Protocol || length < 1 || length > 30)
                continue;
            const quint32 mask = ~quint32(0) << (32 - length);
            networks.append(
                {interface.index(), address.toIPv4Address() & mask, mask, address.toIPv4Address(), hardware});
        }
    }
    return OnLinkNetworks(std::move(networks));
}

OnLinkNetworks::OnLinkNetworks(QList<OnLinkNetwork> networks) : m_networks(std::move(networks)) {}

const OnLinkNetwork *OnLinkNetworks::find(quint32 address) const
{
    for (const OnLinkNetwork &network : m_networks)
        if (address == network.ownAddress)
            return nullptr;
    for (const OnLinkNetwork &network : m_networks) {
        if ((address & network.mask) != network.network)
            continue;
        if (address == network.network || address == (network.network | ~network.mask))
            continue;
        return &network;
    }
    return nullptr;
}

const OnLinkNetwork *OnLinkNetworks::covering(quint32 first, quint32 last) const
{
    for (const OnLinkNetwork &network : m_networks) {
        if ((first & network.mask) == network.network && (last & network.mask) == network.network)
            return &network;
    }
    return nullptr;
}

bool OnLinkNetworks::touches(quint32 first, quint32 last) const
{
    for (const OnLinkNetwork &network : m_networks) {
        const quint32 broadcast = network.network | ~network.mask;
        if (first <= broadcast && network.network <= last)
            return true;
    }
    return false;
}

bool OnLinkNetworks::spans(quint32 address) const
{
    return std::any_of(m_networks.begin(), m_networks.end(), [address](const OnLinkNetwork &network) {
        return (address & network.mask) == network.network;
    });
}

std::optional<QByteArray> OnLinkNetworks::ownHardware(quint32 address) const
{
    for (const OnLinkNetwork &network : m_networks) {
        if (network.ownAddress == address)
            return network.hardware;
    }
    return std::nullopt;
}
