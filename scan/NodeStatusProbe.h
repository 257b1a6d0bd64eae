#pragma once

#include <QString>

// The three results of one node-status probe.
struct NodeStatusResults
{
    QString mac; // MAC text, "Non-Responded IP", or empty
    QString hostName;
    QString workgroup;
};

// Asks one host for its NetBIOS name table: one query to UDP port 137, at
// most 30 ms of waiting for an answer from that host (an answer that comes at
// once is read at once), then fills `results`. A host that answered adds 1 to
// `foundCount`. A silent host leaves all three empty, or puts the marker
// "Non-Responded IP" in `mac` when `showSilent` is 1.
//
// Blocks the calling thread for up to 30 ms; makes and closes its own socket.
// The scan itself uses UdpHostSource, which never blocks its thread.
void NodeStatusProbe(const QString &address, int showSilent, NodeStatusResults &results, int &foundCount);
