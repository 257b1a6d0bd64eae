#pragma once

#include <QString>

// MAC address texts as the history compares them.
namespace MacText {

// The key the history stores a MAC under: upper case, hyphens
// ("00-0A-E4-20-53-55"); "00:0a:e4:20:53:55" gives the same key. Text that
// is no MAC comes back upper-cased and otherwise unchanged.
QString key(const QString &mac);

// A locally administered address (the second-lowest bit of the first octet
// set): one that a device made up itself, as phones and laptops randomise
// theirs per network, rather than one its maker assigned.
bool isLocallyAdministered(const QString &mac);

// A real station address: six octets, not all zero, not a group address.
bool isStationAddress(const QString &mac);

// The MAC as the changes show it: the text, and " (randomised)" after a
// locally administered one.
QString shown(const QString &mac);

} // namespace MacText
