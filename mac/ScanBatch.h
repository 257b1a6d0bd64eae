#pragma once

#include "InterfaceSnapshot.h"
#include "ReplyListeners.h"

namespace mac {

// What the workers of one Therad call share besides their table: the
// interfaces' addresses as they were when the call began, and the packet
// sockets of the raw path. Therad and each of its workers hold it; the last
// one to finish closes the sockets, after its worker has been counted out.
struct ScanBatch
{
    InterfaceSnapshot interfaces;
    ReplyListeners listeners;
};

} // namespace mac
