#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

#include "platform/Result.h"

class ListModel;
class Prompt;

// Where magic packets go: the limited broadcast address, port 1001. Tests
// aim them at a listener of their own (loopback or a test namespace), never
// at this machine's real networks.
struct WakeDestination
{
    QHostAddress address{QHostAddress::Broadcast};
    quint16 port = 1001;

    // "ADDR" or "ADDR:PORT" (IPv4); nothing for any other text.
    static std::optional<WakeDestination> parse(const QString &text);
};

// What a round of magic packets came to. `sent` counts datagrams the socket
// took, not machines that woke: nothing answers a magic packet.
struct WakeReport
{
    int sent = 0;
    int skipped = 0; // MAC texts that are no MAC address: nothing sent, not counted
    int failed = 0;  // packets the socket refused
    QString firstFailure;
};

// Wake-on-LAN over a UDP socket with SO_BROADCAST, one datagram per packet,
// a socket of its own for each (opened and closed by send()). Blocking and
// short; any thread. When the limited broadcast cannot leave (no route for
// it), the packet goes to the broadcast address of each up IPv4 interface
// instead, loopback left out, and counts as sent if any of them took it.
class WakeOnLan
{
public:
    explicit WakeOnLan(const WakeDestination &destination = {}) : m_destination(destination) {}

    const WakeDestination &destination() const { return m_destination; }

    Result<> send(const QByteArray &packet) const;
    // One packet per MAC text, in order.
    WakeReport wake(const QStringList &macTexts) const;

    // "Successfully Send N records ", followed by a line each for skipped
    // and failed packets when there were any.
    static QString wording(const WakeReport &report);

    // The record-list command: a packet for every ticked row's MAC column.
    // Silent for an empty list; "No records were selected." when nothing is
    // ticked; else the report's wording.
    void wakeTickedRecords(const ListModel &records, Prompt &prompt) const;

private:
    WakeDestination m_destination;
};
