#pragma once

#include <QString>

#include <functional>

#include "platform/Prompt.h"
#include "scan/PingHost.h"

class ListModel;

// The ping tool: one echo to the IP address of the record list's current
// row, with a fixed time-out, and its outcome in a message. The echo runs on
// the calling thread and blocks it for up to the time-out.
class PingTool
{
public:
    using Echo = std::function<PingOutcome(const QString &address, int timeoutMs)>;

    static constexpr int TimeoutMs = 500;
    static constexpr const char *EmptyListText = "The record list is empty: there is no IP address to ping.";
    static constexpr const char *NoCurrentRowText =
        "No record is highlighted: click the record whose IP address you want to ping.";

    explicit PingTool(Echo echo = pingOnce) : m_echo(std::move(echo)) {}

    // The message for an outcome: a reply ("Reply from [a] Time 3 ms." or
    // "... Time < 1 ms."), none ("Ping[a] Request timed out."), or, apart
    // from a reply under 1 ms, an echo that never left: the text is no
    // address, or no ICMP socket could be had.
    static QString wording(const QString &address, const PingOutcome &outcome);

    // Pings the current row's "IP Address" and words how it went; an empty
    // list or no current row is said instead, and nothing is sent.
    QString messageForCurrentRecord(const ListModel &records) const;
    // The same in a "Notice" box.
    void pingCurrentRecord(const ListModel &records, Prompt &prompt) const;

private:
    Echo m_echo;
};
