#pragma once

#include "mac/Deadline.h"
#include "mac/FileDescriptor.h"
#include "mac/LocalInterface.h"
#include "mac/MacAddress.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <thread>

namespace mac {

// The packet socket through which the workers of one Therad call ask the
// hosts of one /24 network on one interface, and the thread that reads the
// answers for all of them.
//
// Why one for all: opening a packet socket for ARP, compiling its filter and
// closing it again (a wait for an RCU grace period) cost the kernel far more
// than the requests do, and while sockets are open every reply runs through
// the filter of each of them. With one socket per worker a /16 scan paid
// that 65,536 times; with one per network it pays it 256 times.
//
// Threading: sendRequest() and waitForReply() may run on any number of
// threads at once. The receiver keeps the first answer of each host number
// (and the few other MACs that answered for it) and wakes the waiting threads. The destructor stops and joins
// the receiver, so it must run on another thread (it runs on a worker's).
class ReplyListener
{
public:
    enum class OpenError { None, NotAllowed, Failed };

    // Opens the socket for the /24 network of member on local's interface,
    // lets only ARP replies from that network through, and starts the
    // receiver. nullptr when that fails, with NotAllowed in *error when the
    // process may not open packet sockets (holds no CAP_NET_RAW).
    static std::unique_ptr<ReplyListener> open(const LocalInterface &local, in_addr member, OpenError *error);
    ~ReplyListener();
    ReplyListener(const ReplyListener &) = delete;
    ReplyListener &operator=(const ReplyListener &) = delete;

    // Whether destination's requests go through this listener on that interface.
    bool serves(unsigned interfaceIndex, in_addr destination) const;

    // One broadcast ARP request from our address on the interface for destination.
    void sendRequest(in_addr destination);

    // Waits until destination (of this network) has answered: true, with its
    // MAC in out; false once until has passed without an answer.
    bool waitForReply(in_addr destination, Clock::time_point until, MacAddress &out);
    // After waitForReply: the other MACs that have answered for destination
    // by until (blocks until then).
    FurtherMacs furtherReplies(in_addr destination, Clock::time_point until);

private:
    ReplyListener(const LocalInterface &local, std::uint32_t network, int socket, int wake);
    void receive();
    void record(const unsigned char *packet, long length);

    const LocalInterface m_local;
    const std::uint32_t m_network; // host byte order, last octet zero
    FileDescriptor m_socket;
    FileDescriptor m_wake; // eventfd, written once to stop the receiver
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::array<std::optional<MacAddress>, 256> m_answers; // by host number
    std::array<FurtherMacs, 256> m_further;               // by host number
    std::thread m_receiver;
};

} // namespace mac
