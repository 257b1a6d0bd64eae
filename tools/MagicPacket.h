#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "tools/MacAddressBytes.h"

// The Wake-on-LAN magic packet: six bytes 0xFF, then the six MAC bytes
// sixteen times, 102 bytes in all.
namespace MagicPacket {

constexpr int Size = 102;

QByteArray build(const MacBytes &mac);
// Nothing when the text is no MAC address (see MacAddressBytes::parse).
std::optional<QByteArray> fromMacText(const QString &macText);

} // namespace MagicPacket
