#include "tools/MagicPacket.h"

QByteArray MagicPacket::build(const MacBytes &mac)
{
    QByteArray packet(6, char(0xFF));
    packet.reserve(Size);
    for (int copy = 0; copy < 16; ++copy) {
        for (const quint8 byte : mac)
            packet.append(char(byte));
    }
    return packet;
}

std::optional<QByteArray> MagicPacket::fromMacText(const QString &macText)
{
    const std::optional<MacBytes> mac = MacAddressBytes::parse(macText);
    if (!mac)
        return std::nullopt;
    return build(*mac);
}
