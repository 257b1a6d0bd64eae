#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <array>

// What a node-status reply said, as far as the scan reads it.
struct NodeStatusReply
{
    bool answered = false; // false: the host counts as silent
    std::array<quint8, 6> unitId{};
    QString hostName;
    QString workgroup;

    bool unitIdIsZero() const;
    // "00-0A-E4-20-53-55": the unit id as the scan list shows MAC addresses.
    QString unitIdText() const;
};

// The NetBIOS node-status query (NBSTAT, UDP port 137) and the reading of its
// reply. Pure functions: no sockets, no clock.
class NodeStatusMessage
{
public:
    static constexpr quint16 Port = 137;
    static constexpr int RequestSize = 50;
    // At most this many bytes of a reply are received; the rest is cut off.
    static constexpr int ReceiveSize = 500;
    // How long a host has to answer its query.
    static constexpr int AnswerTimeMs = 30;

    // The 50-byte query for the wildcard name "*", transaction id 0.
    static QByteArray request();

    // Reads one received datagram. `source`/`sourcePort` is where it came
    // from, `queried` the address that was asked (both host byte order). A
    // datagram from anywhere but port 137 of the queried address, a name count
    // of 0, or a name table whose unit id would lie beyond the received bytes
    // gives a silent host. The first two names decide: a group name with
    // suffix 0x00 is the workgroup, any unique name the host name (the second
    // wins). When neither is the workgroup, the first group name with suffix
    // 0x00 further down is (Samba's order: NAME<00> NAME<03> NAME<20> WG<00>).
    static NodeStatusReply parseReply(QByteArrayView datagram, quint32 source, quint16 sourcePort,
                                      quint32 queried);

    // Offsets of the reply as read.
    static constexpr int NameCountOffset = 56;
    static constexpr int NameTableOffset = 57;
    static constexpr int NameEntrySize = 18;
    static constexpr int NameLength = 15;
    static constexpr int UnitIdSize = 6;
};
