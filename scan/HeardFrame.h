#pragma once

#include <QDateTime>
#include <QString>

// One frame that the link listener heard between scans: who claims which
// address. The helper filters the link's traffic in the kernel down to ARP
// and IPv6 neighbour discovery and hands over only these fields.
struct HeardFrame
{
    enum class Kind {
        ArpRequest,             // sender asks for target; it claims its own sender address
        ArpReply,               // sender answers for its sender address
        ArpProbe,               // sender address 0.0.0.0: a host checks whether `address` is free
        ArpAnnouncement,        // sender address == target address: a host takes `address`
        NeighbourSolicitation,  // IPv6: the source asks for a neighbour; it claims its source address
        NeighbourAdvertisement, // IPv6: the sender answers for (or announces) `address`
        DuplicateAddressCheck,  // IPv6: solicitation from :: (duplicate address detection) for `address`
    };

    Kind kind = Kind::ArpRequest;
    // The address the frame is about: for a probe and a duplicate address
    // check the one asked about, otherwise the one the sender claims.
    // Dotted quad for ARP, the compressed text form for IPv6.
    QString address;
    // The MAC that claims or asks for `address`, MacText::key form
    // ("00-0A-E4-20-53-55").
    QString macAddress;
    QDateTime time; // when the helper read it, UTC

    bool isIpv6() const { return kind >= Kind::NeighbourSolicitation; }
    // A probe or a duplicate address check claims nothing yet: it only
    // says that macAddress wants the address.
    bool isClaim() const { return kind != Kind::ArpProbe && kind != Kind::DuplicateAddressCheck; }
};
