#pragma once

#include <QList>
#include <QString>

class ScanRange;

// The IPv4 networks of this computer's interfaces, as far as ARP reaches:
// an ARP request only gets an answer from a host on one of them. Reading
// them sends nothing.
class LocalNetworks
{
public:
    struct Network
    {
        QString interfaceName;
        quint32 address = 0; // the interface's own address, host byte order
        int prefixLength = 0;

        bool contains(quint32 host) const;
    };

    LocalNetworks() = default;
    explicit LocalNetworks(QList<Network> networks) : m_networks(std::move(networks)) {}

    // The networks of the interfaces that are up, loopback left out.
    static LocalNetworks current();

    const QList<Network> &networks() const { return m_networks; }

    // Empty when the whole range lies inside one of the networks; otherwise
    // the message that refuses an ARP scan of it.
    QString arpRefusal(const ScanRange &range) const;

private:
    QList<Network> m_networks;
};
