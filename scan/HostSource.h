#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "scan/ScanRange.h"

// What one host of the range answered. An empty MAC text means no answer.
struct HostResult
{
    QString address;
    QString macAddress;
    QString hostName;
    QString workgroup;
    QString key; // row key of the scan list, empty for none
    // UDP: the neighbour table's MAC for the address when the reply's unit id
    // is another one (a proxy's or a forged reply); empty otherwise.
    QString neighbourMac;
    // ARP: the further MACs that answered the address, in the order heard
    // (macAddress is the first); empty when one MAC or none answered.
    QStringList otherMacs;
};

// The method-specific half of a scan run: it prepares the range, then hands
// out the result of one host at a time, in ascending order, when asked. The
// run keeps the states, the flags, the rows and the texts.
//
// Threading: created and used on the run's thread; results are delivered by
// signals on that thread, never from inside request() itself.
class HostSource : public QObject
{
    Q_OBJECT

public:
    // How fast the source may go: the pause between two worker starts (ARP)
    // or whether many queries may be in flight (UDP, pace below the default).
    struct Pacing
    {
        static constexpr int DefaultPaceMs = 15;
        static constexpr int DefaultArpTimeoutMs = 1000;
        // Hosts on the segment answer ARP within a few milliseconds; the
        // fast pacing waits less for the silent ones (the resolver retries
        // within that time).
        static constexpr int FastArpTimeoutMs = 300;

        int paceMs = DefaultPaceMs;
        int arpTimeoutMs = DefaultArpTimeoutMs;

        bool isFast() const { return paceMs < DefaultPaceMs; }
        static Pacing fromPace(int paceMs)
        {
            return {paceMs, paceMs < DefaultPaceMs ? FastArpTimeoutMs : DefaultArpTimeoutMs};
        }
    };

    explicit HostSource(const ScanRange &range, const Pacing &pacing, QObject *parent = nullptr);

    const ScanRange &range() const { return m_range; }
    const Pacing &pacing() const { return m_pacing; }

    // Starts the preparation; ends with prepared() or failed().
    virtual void begin() = 0;
    // Asks for host `index` (0-based, each index once, ascending); answered by
    // hostReady(index, ...).
    virtual void request(quint32 index) = 0;
    // The run has ended (stopped or finished): drop outstanding work.
    virtual void abort() {}

Q_SIGNALS:
    void statusText(const QString &text);
    void prepared();
    // title and text of a message for the user; the run returns to Idle.
    void failed(const QString &title, const QString &text);
    void hostReady(quint32 index, const HostResult &result);

private:
    ScanRange m_range;
    Pacing m_pacing;
};
