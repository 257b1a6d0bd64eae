#pragma once

#include "mac/LocalInterface.h"
#include "mac/MacAddress.h"
#include "mac/RawArpResolver.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <thread>

namespace arpclient {
class HelperProcess;
}

namespace mac {

// The raw path of a process that holds no CAP_NET_RAW: the ARP requests go
// out through netkestrel-arp, the helper that holds it, found beside this
// library or where it is installed. One helper serves this copy of the
// library; a thread of its own reads its answers and hands them to the
// waiting workers.
//
// Threading: resolve() may run on any number of threads at once.
class HelperLink
{
public:
    // The running helper, started when none runs; nullptr when none can be
    // (missing, or it holds no capability: then never tried again).
    static std::shared_ptr<HelperLink> current();
    explicit HelperLink(std::unique_ptr<arpclient::HelperProcess> process);
    ~HelperLink();
    HelperLink(const HelperLink &) = delete;
    HelperLink &operator=(const HelperLink &) = delete;

    // As resolveWithRawArp: requests at 0, 1/3 and 2/3 of timeout, the first
    // reply wins, and further gets the other MACs the helper reports by
    // furtherAnswerWait after it. NoAnswer when the helper refuses the
    // request or is gone.
    RawArpOutcome resolve(const LocalInterface &local, in_addr destination, std::chrono::milliseconds timeout,
                          MacAddress &out, FurtherMacs *further = nullptr);

private:
    struct Waiter
    {
        std::condition_variable changed;
        bool answered = false;
        bool finished = false;
        MacAddress mac{};
        FurtherMacs further;
    };

    void readAnswers();
    bool gone();

    std::unique_ptr<arpclient::HelperProcess> m_process;
    std::mutex m_mutex;
    std::mutex m_sending;
    std::map<std::uint32_t, Waiter *> m_waiters;
    std::uint32_t m_lastId = 0;
    bool m_gone = false;
    std::thread m_reader;
};

} // namespace mac
