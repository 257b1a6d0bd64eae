#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "platform/Result.h"
#include "scan/ScanMethod.h"

// A checked scan range, made from the eight entry boxes of the window (or the
// two addresses of the command line). Nothing is sent for a range that does
// not pass these checks.
class ScanRange
{
public:
    // The largest range of one UDP scan.
    static constexpr quint32 MaxUdpAddresses = 65536;
    // The most /24 networks of one ARP scan that may span several (a /16).
    static constexpr quint32 MaxArpNetworks = 256;

    // How far an ARP range may reach: the window scans one /24 network, the
    // command line up to MaxArpNetworks of them, each one a block of its own.
    enum class ArpReach { OneNetwork, SeveralNetworks };

    // boxes: the eight box texts, 0..3 the "From" octets, 4..7 the "To" octets.
    // ARP: only the last octets vary; "From" and "To" must share the first three
    // (ArpReach::SeveralNetworks: the range touches at most MaxArpNetworks /24 networks).
    // Either end may be the larger; the range is always walked upwards.
    static Result<ScanRange> fromBoxes(const QStringList &boxes, ScanMethod method,
                                       ArpReach reach = ArpReach::OneNetwork);

    // The same from two dotted addresses, as the command line gives them.
    static Result<ScanRange> fromAddresses(const QString &from, const QString &to, ScanMethod method,
                                           ArpReach reach = ArpReach::OneNetwork);

    // A network written as A.B.C.D/NN (host bits of the address are
    // ignored): its host addresses, network + 1 to broadcast - 1, for /0 to
    // /30; both addresses of a /31, a point-to-point link that has neither
    // network nor broadcast address; the one address of a /32. Refused as
    // fromAddresses refuses those two ends.
    static Result<ScanRange> fromPrefix(const QString &prefix, ScanMethod method,
                                        ArpReach reach = ArpReach::OneNetwork);

    ScanMethod method() const { return m_method; }
    quint32 first() const { return m_first; } // host byte order, first <= last
    quint32 last() const { return m_last; }
    quint32 count() const { return m_last - m_first + 1; }
    // True when the ends were entered the wrong way round (the window then
    // swaps its "From:" and "To:" captions after a UDP scan).
    bool enteredBackwards() const { return m_backwards; }
    // The reach the range was checked for: the command line's ranges are
    // refused before an ARP scan when they lie off every local network, even
    // one /24 of them; the window's one network is asked as entered.
    ArpReach arpReach() const { return m_reach; }

    // ARP: the first three octets and a dot, e.g. "198.18.7." (of the first address).
    QString networkPrefix() const;
    // The /24 networks that the range touches: first() >> 8 .. last() >> 8.
    quint32 networkCount() const { return (m_last >> 8) - (m_first >> 8) + 1; }
    QString addressText(quint32 index) const; // index 0 .. count()-1

    static QString dotted(quint32 address);

private:
    ScanMethod m_method = ScanMethod::Arp;
    quint32 m_first = 0;
    quint32 m_last = 0;
    bool m_backwards = false;
    ArpReach m_reach = ArpReach::OneNetwork;
};
