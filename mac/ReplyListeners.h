#pragma once

#include "mac/LocalInterface.h"
#include "mac/ReplyListener.h"

#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <vector>

namespace mac {

// The reply listeners of one Therad call, one per /24 network and interface
// its workers ask on, each opened by the first worker that needs it and
// closed when the call and all its workers are done.
//
// Threading: any thread. A listener handed out stays valid as long as this
// object lives.
class ReplyListeners
{
public:
    // The listener for destination on local's interface; nullptr when it
    // cannot be opened, with the reason in *error (NotAllowed is kept: later
    // workers are told at once and take the kernel's path).
    ReplyListener *listenerFor(const LocalInterface &local, in_addr destination,
                               ReplyListener::OpenError *error);

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<ReplyListener>> m_open;
    bool m_notAllowed = false;
};

} // namespace mac
