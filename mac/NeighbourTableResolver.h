#pragma once

#include "mac/LocalInterface.h"
#include "mac/MacAddress.h"

#include <chrono>
#include <netinet/in.h>

namespace mac {

// Lets the kernel resolve destination, for processes without CAP_NET_RAW:
// an entry of the interface's neighbour table that already holds a MAC
// address answers at once; otherwise a one-byte UDP datagram to destination
// makes the kernel ask, and the entry is read over rtnetlink every few
// milliseconds until it holds a MAC address (true), fails, or timeout passes.
// A destination that needs a nudge first waits for a lease of the process's
// NeighbourBudget; its timeout starts once it holds one.
bool resolveWithNeighbourTable(const LocalInterface &local, in_addr destination,
                               std::chrono::milliseconds timeout, MacAddress &out);

} // namespace mac
