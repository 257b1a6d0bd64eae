#pragma once

#include "mac/LocalInterface.h"
#include "mac/MacAddress.h"
#include "mac/ReplyListeners.h"

#include <chrono>
#include <netinet/in.h>

namespace mac {

enum class RawArpOutcome {
    Resolved,
    NoAnswer,
    Unavailable, // the packet socket was refused: no CAP_NET_RAW here
};

// Asks for destination's MAC address with ARP requests of our own through
// the listener of its network in listeners: a request at 0, 1/3 and 2/3 of
// timeout, and the first reply whose sender is destination wins.
RawArpOutcome resolveWithRawArp(ReplyListeners &listeners, const LocalInterface &local, in_addr destination,
                                std::chrono::milliseconds timeout, MacAddress &out);

// Whether this process may open the packet socket (holds CAP_NET_RAW): when
// not, resolveWithRawArp answers Unavailable.
bool rawArpAllowed();

} // namespace mac
