#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <thread>

// Answers node-status queries on 127.0.0.0/8 port 137 with crafted replies,
// on a thread of its own (the blocking probe waits on the test's thread).
// Only for a process that has moved itself into a network namespace of its
// own: port 137 of a shared loopback is nobody's to take.
class LoopbackResponder
{
public:
    struct Host
    {
        quint32 address;  // host byte order, in 127.0.0.0/8
        QByteArray reply; // sent for each query
        int delayMs = 0;
        quint32 replyFrom = 0; // 0: from `address`; else from this address
        quint16 replyPort = 137;
    };

    explicit LoopbackResponder(const QList<Host> &hosts);
    ~LoopbackResponder();

    bool isListening() const { return m_listening; }
    int queriesSeen() const { return m_queries; }

private:
    void serve();

    QList<Host> m_hosts;
    QList<int> m_sockets; // one per host, bound to its address
    QList<int> m_senders; // one per host, bound to the address and port it replies from
    int m_wake[2] = {-1, -1};
    bool m_listening = false;
    std::atomic<int> m_queries{0};
    std::thread m_thread;
};
