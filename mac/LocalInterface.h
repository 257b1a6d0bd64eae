#pragma once

#include "mac/MacAddress.h"

#include <netinet/in.h>

namespace mac {

// The interface through which a destination is reached on-link.
struct LocalInterface
{
    unsigned index = 0;         // kernel interface index
    in_addr address{};          // our IPv4 address on that interface
    MacAddress hardware{};      // our MAC address on that interface
    bool hasHardware = false;   // false when the interface has no 6-byte MAC
    bool isDestination = false; // the destination is this interface's own address
};

} // namespace mac
