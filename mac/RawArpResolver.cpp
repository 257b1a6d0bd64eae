#include "mac/RawArpResolver.h"

#include "mac/Deadline.h"
#include "mac/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>

namespace mac {

namespace {

constexpr int requestCount = 3;

} // namespace

bool rawArpAllowed()
{
    // Without a protocol the kernel never hooks the socket into the receive
    // path, so this test is cheap to open and to close.
    const FileDescriptor probe(socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    return probe.get() >= 0 || (errno != EPERM && errno != EACCES && errno != EAFNOSUPPORT);
}

RawArpOutcome resolveWithRawArp(ReplyListeners &listeners, const LocalInterface &local, in_addr destination,
                                std::chrono::milliseconds timeout, MacAddress &out, FurtherMacs *further)
{
    ReplyListener::OpenError error = ReplyListener::OpenError::None;
    ReplyListener *listener = listeners.listenerFor(local, destination, &error);
    if (error == ReplyListener::OpenError::NotAllowed)
        return RawArpOutcome::Unavailable;
    if (!listener || !local.hasHardware)
        return RawArpOutcome::NoAnswer;

    const Clock::time_point start = Clock::now();
    for (int sent = 0; sent < requestCount; ++sent) {
        listener->sendRequest(destination);
        const Clock::time_point next = start + timeout * (sent + 1) / requestCount;
        if (listener->waitForReply(destination, next, out)) {
            if (further)
                *further = listener->furtherReplies(
                    destination, std::min(start + timeout, Clock::now() + furtherAnswerWait));
            return RawArpOutcome::Resolved;
        }
    }
    return RawArpOutcome::NoAnswer;
}

} // namespace mac
