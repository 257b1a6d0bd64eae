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

// After the first answer a worker listens this much longer (within its
// time-out) for other stations that answer for the same address: the
// replies to one broadcast arrive together, an address conflict's too.
inline constexpr std::chrono::milliseconds furtherAnswerWait{50};

// Asks for destination's MAC address with ARP requests of our own through
// the listener of its network in listeners: a request at 0, 1/3 and 2/3 of
// timeout, and the first reply whose sender is destination wins. further,
// when given, receives the other MACs that answered by furtherAnswerWait
// after it.
RawArpOutcome resolveWithRawArp(ReplyListeners &listeners, const LocalInterface &local, in_addr destination,
                                std::chrono::milliseconds timeout, MacAddress &out,
                                FurtherMacs *further = nullptr);

// Whether this process may open the packet socket (holds CAP_NET_RAW): when
// not, resolveWithRawArp answers Unavailable.
bool rawArpAllowed();

} // namespace mac
