#include "tests/scan/LoopbackResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>

namespace {

int boundSocket(quint32 address, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(address);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

LoopbackResponder::LoopbackResponder(const QList<Host> &hosts) : m_hosts(hosts)
{
    m_listening = ::pipe(m_wake) == 0;
    for (const Host &h : m_hosts) {
        const int listener = boundSocket(h.address, 137);
        const quint32 from = h.replyFrom ? h.replyFrom : h.address;
        const int sender = (from == h.address && h.replyPort == 137) ? listener
                                                                     : boundSocket(from, h.replyPort);
        m_listening = m_listening && listener >= 0 && sender >= 0;
        m_sockets.append(listener);
        m_senders.append(sender);
    }
    if (m_listening)
        m_thread = std::thread([this] { serve(); });
}

LoopbackResponder::~LoopbackResponder()
{
    if (m_thread.joinable()) {
        const char stop = 1;
        (void)!::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (int i = 0; i < m_sockets.size(); ++i) {
        if (m_senders[i] >= 0 && m_senders[i] != m_sockets[i])
            ::close(m_senders[i]);
        if (m_sockets[i] >= 0)
            ::close(m_sockets[i]);
    }
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

void LoopbackResponder::serve()
{
    using Clock = std::chrono::steady_clock;
    struct Due
    {
        int host;
        sockaddr_in to;
    };
    std::multimap<Clock::time_point, Due> due;
    for (;;) {
        QList<pollfd> fds{{m_wake[0], POLLIN, 0}};
        for (int fd : m_sockets)
            fds.append({fd, POLLIN, 0});
        int timeout = -1;
        if (!due.empty())
            timeout = int(std::max<qint64>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(due.begin()->first - Clock::now())
                       .count()));
        ::poll(fds.data(), nfds_t(fds.size()), timeout);
        if (fds[0].revents)
            return;
        for (int i = 0; i < m_sockets.size(); ++i) {
            if (!(fds[i + 1].revents & POLLIN))
                continue;
            char query[600];
            sockaddr_in from{};
            socklen_t size = sizeof from;
            if (::recvfrom(m_sockets[i], query, sizeof query, 0, reinterpret_cast<sockaddr *>(&from), &size) <
                0)
                continue;
            ++m_queries;
            due.insert({Clock::now() + std::chrono::milliseconds(m_hosts[i].delayMs), {i, from}});
        }
        while (!due.empty() && due.begin()->first <= Clock::now()) {
            const Due d = due.begin()->second;
            due.erase(due.begin());
            const QByteArray &reply = m_hosts[d.host].reply;
            ::sendto(m_senders[d.host], reply.constData(), size_t(reply.size()), 0,
                     reinterpret_cast<const sockaddr *>(&d.to), sizeof d.to);
        }
    }
}
