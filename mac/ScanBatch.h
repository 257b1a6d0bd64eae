#pragma once

#include "mac/HelperLink.h"
#include "mac/InterfaceSnapshot.h"
#include "mac/ReplyListeners.h"

namespace mac {

// What the workers of one Therad call share besides their table: the
// interfaces' addresses as they were when the call began, and the packet
// sockets of the raw path, or the helper that sends for a process without
// CAP_NET_RAW (null when it has it, or no helper can be used). Therad and each of its workers hold it; the
// last one to finish closes the sockets, after its worker has been counted out.
struct ScanBatch
{
    InterfaceSnapshot interfaces;
    ReplyListeners listeners;
    std::shared_ptr<HelperLink> helper;
};

} // namespace mac
