#pragma once

#include <QString>
#include <QtGlobal>

struct NodeStatusReply;

// The kernel's IPv4 neighbour table of the calling thread's network
// namespace, read from /proc/thread-self/net/arp (a text table the kernel writes in one
// go, complete entries flagged; no socket and no privilege needed).
class NeighbourTable
{
public:
    // The MAC text ("02-00-5E-10-00-01") of a complete entry for `address`
    // (host byte order), or empty when the table holds none.
    static QString macText(quint32 address);

    // The MAC a scan row shows for a reply from `source`: the unit id, or, when
    // the host sent an all-zero unit id (Samba does), the MAC its reply has
    // just been received from, as the neighbour table holds it. The zero MAC
    // stays when the table knows none (a host behind a router).
    static QString shownMac(const NodeStatusReply &reply, quint32 source);

    // Reads the table from another file of the same layout (tests).
    static QString macTextFrom(const QString &tablePath, quint32 address);
};
