#include "mac/HelperLink.h"

#include "mac/Deadline.h"
#include "mac/helper/ArpClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <poll.h>

namespace mac {

namespace {

// A helper that has not greeted by then is not waited for.
constexpr auto greetingLimit = std::chrono::milliseconds(2000);
// A worker waits this much beyond its time-out for the helper's last word.
constexpr auto answerMargin = std::chrono::milliseconds(1000);

} // namespace

std::shared_ptr<HelperLink> HelperLink::current()
{
    static std::mutex mutex;
    // Kept to the end of the process: workers may still use it while
    // static objects are destroyed.
    static auto *running = new std::shared_ptr<HelperLink>();
    static bool refused = false;
    const std::lock_guard lock(mutex);
    if ((*running && !(*running)->gone()) || refused)
        return refused ? nullptr : *running;
    running->reset();
    arpclient::HelperProcess::StartError error = arpclient::HelperProcess::StartError::None;
    std::unique_ptr<arpclient::HelperProcess> process = arpclient::HelperProcess::start(
        arpclient::helperPaths(arpclient::folderOfCode(reinterpret_cast<const void *>(&HelperLink::current))),
        greetingLimit, &error);
    refused = error == arpclient::HelperProcess::StartError::Refused;
    if (process) {
        try {
            *running = std::make_shared<HelperLink>(std::move(process));
        } catch (...) {
            // No thread for its answers: the kernel's path instead.
        }
    }
    return *running;
}

HelperLink::HelperLink(std::unique_ptr<arpclient::HelperProcess> process)
    : m_process(std::move(process)), m_reader([this] { readAnswers(); })
{
}

HelperLink::~HelperLink()
{
    m_process->shutdown();
    m_reader.join();
}

bool HelperLink::gone()
{
    const std::lock_guard lock(m_mutex);
    return m_gone;
}

RawArpOutcome HelperLink::resolve(const LocalInterface &local, in_addr destination,
                                  std::chrono::milliseconds timeout, MacAddress &out, FurtherMacs *further)
{
    char name[IF_NAMESIZE];
    if (!local.hasHardware || !if_indextoname(local.index, name))
        return RawArpOutcome::NoAnswer;
    Waiter waiter;
    std::uint32_t id = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (m_gone)
            return RawArpOutcome::NoAnswer;
        do
            id = ++m_lastId;
        while (id == 0 || m_waiters.count(id) != 0);
        m_waiters[id] = &waiter;
    }
    const auto milliseconds = static_cast<std::uint32_t>(timeout.count());
    const std::string line = arpclient::requestLine(arpproto::Kind::Resolve, id, name, milliseconds, 0,
                                                    {ntohl(destination.s_addr)});
    bool sent = false;
    {
        const std::lock_guard lock(m_sending);
        sent = m_process->send(line);
    }
    std::unique_lock lock(m_mutex);
    const Clock::time_point start = Clock::now();
    if (sent) {
        waiter.changed.wait_until(lock, start + timeout + answerMargin,
                                  [&] { return waiter.answered || waiter.finished || m_gone; });
    }
    if (waiter.answered && further) {
        waiter.changed.wait_until(lock, std::min(start + timeout, Clock::now() + furtherAnswerWait), [&] {
            return waiter.finished || m_gone || waiter.further.size() >= maxFurtherMacs;
        });
        *further = waiter.further;
    }
    m_waiters.erase(id);
    if (!waiter.answered)
        return RawArpOutcome::NoAnswer;
    out = waiter.mac;
    return RawArpOutcome::Resolved;
}

void HelperLink::readAnswers()
{
    std::vector<std::string> lines;
    for (;;) {
        pollfd waiting{m_process->fd(), POLLIN, 0};
        if (poll(&waiting, 1, -1) < 0 && errno != EINTR)
            break;
        lines.clear();
        const bool open = m_process->read(lines);
        const std::lock_guard lock(m_mutex);
        for (const std::string &line : lines) {
            arpclient::Answer answer;
            if (!arpclient::parseAnswer(line, answer))
                continue;
            const auto found = m_waiters.find(answer.id);
            if (found == m_waiters.end())
                continue; // a worker that has stopped waiting
            Waiter &waiter = *found->second;
            if (answer.type == arpclient::Answer::Type::Mac && !waiter.answered) {
                waiter.answered = true;
                std::memcpy(waiter.mac.data(), answer.mac, waiter.mac.size());
            } else if (answer.type == arpclient::Answer::Type::Mac) {
                MacAddress mac;
                std::memcpy(mac.data(), answer.mac, mac.size());
                addFurtherMac(waiter.further, waiter.mac, mac);
            } else {
                waiter.finished = true;
            }
            waiter.changed.notify_all();
        }
        if (!open)
            break;
    }
    // Gone: whoever still waits has no answer.
    const std::lock_guard lock(m_mutex);
    m_gone = true;
    for (const auto &[id, waiter] : m_waiters)
        waiter->changed.notify_all();
}

} // namespace mac
