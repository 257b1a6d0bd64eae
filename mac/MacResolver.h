#pragma once

#include "mac/MacAddress.h"
#include "mac/ScanBatch.h"

#include <chrono>
#include <netinet/in.h>

namespace mac {

// How an answer was found (or last tried), for the debug trace.
enum class ResolutionPath { NotOnLink, OwnAddress, RawArp, Helper, NeighbourTable };

struct Resolution
{
    bool resolved = false;
    ResolutionPath path = ResolutionPath::NotOnLink;
    MacAddress mac{};
    FurtherMacs further; // raw ARP and helper: the other MACs that answered
};

// The stand-in for SendARP: destination's MAC address on the local segment.
// A destination on no interface's network fails at once, our own address
// answers with the interface's MAC, and anything else is asked with raw ARP:
// in this process, else through the batch's helper, else (no helper) through
// the kernel's neighbour table.
// The interfaces are looked up in batch, and raw ARP goes through its
// listeners. Blocks for about timeout at most, plus, on the neighbour-table
// path, the wait for room in the table; never throws, sends nothing off-link.
Resolution resolveMac(ScanBatch &batch, in_addr destination, std::chrono::milliseconds timeout);

const char *pathName(ResolutionPath path);

} // namespace mac
