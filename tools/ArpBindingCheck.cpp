#include "tools/ArpBindingCheck.h"

#include <QHostAddress>

#include "tools/MacAddressBytes.h"

QString ArpBindingCheck::refusal(const ArpBinding &binding)
{
    QHostAddress address;
    // Dotted quads only: the shorthands QHostAddress also takes ("198.18.7"
    // is 198.18.0.7) would bind an address the list does not show.
    if (!address.setAddress(binding.ip) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        address.toString() != binding.ip)
        return QStringLiteral("not an IPv4 address");
    if (!MacAddressBytes::parse(binding.mac))
        return QStringLiteral("the MAC address is not six hexadecimal parts");
    return {};
}
