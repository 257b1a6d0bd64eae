#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <optional>

// One IPv4 network that an interface of this host reaches directly, through
// ARP: a packet to one of its addresses needs an entry in the kernel's
// neighbour table first.
struct OnLinkNetwork
{
    int interfaceIndex = 0;
    quint32 network = 0; // host byte order, host bits zero
    quint32 mask = 0;
    quint32 ownAddress = 0;
    QByteArray hardware; // our 6-byte MAC on that interface
};

// The on-link networks of the calling thread's network namespace.
class OnLinkNetworks
{
public:
    // Interfaces that are up, neither loopback nor point-to-point, with a
    // 6-byte MAC and an IPv4 address of prefix length 1 to 30.
    static OnLinkNetworks ofThisHost();

    explicit OnLinkNetworks(QList<OnLinkNetwork> networks = {});

    // The network through which address is reached on-link, or nullptr. Our
    // own addresses (delivered locally) and a network's own and broadcast
    // addresses (never a neighbour) are not on-link in this sense.
    const OnLinkNetwork *find(quint32 address) const;

    // Whether address lies in one of the networks, its own, network and
    // broadcast addresses included.
    bool spans(quint32 address) const;
    // Our MAC when address is our own address on one of the networks.
    std::optional<QByteArray> ownHardware(quint32 address) const;
    // The network that holds every address from first to last, or nullptr:
    // the one link a listener hears the whole range on.
    const OnLinkNetwork *covering(quint32 first, quint32 last) const;

    // Whether any address from first to last (inclusive) is on-link.
    bool touches(quint32 first, quint32 last) const;

private:
    QList<OnLinkNetwork> m_networks;
};
