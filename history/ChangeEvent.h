#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A change that a completed scan showed against the host history. Kept apart
// from the findings of the analysis: a finding compares a scan with the
// preset records, an event compares it with earlier scans.
struct ChangeEvent
{
    enum class Kind {
        NewStation,        // a MAC no completed scan had seen
        MacChanged,        // the IP answered from another MAC than at its last sighting
        Returned,          // the pair seen again after an absence of more than the set days
        NbstatMacMismatch, // the NetBIOS unit id is a real MAC other than the neighbour table's
        RandomisedMac,     // a new station with a locally administered MAC
        IpConflict,        // more than one MAC answered or claimed the IP at once
        FlipFlop,          // the IP went back to a MAC it had just left
    };

    // The stable words of the kinds, in the order of Kind: what the database
    // stores and what --format json writes.
    static const QList<Kind> &allKinds();
    static QString kindWord(Kind kind);
    static std::optional<Kind> kindFromWord(const QString &word);

    Kind kind = Kind::NewStation;
    QString site;   // the site whose scan showed it
    QDateTime time; // the scan's time, UTC
    QString ipAddress;
    QString macAddress; // MacText::key form
    // MacChanged: the MAC of the last sighting. NbstatMacMismatch: the
    // neighbour table's MAC (macAddress is then the reply's unit id).
    QString otherMac;
    // MacChanged: when otherMac was last seen at the IP. Returned: when the
    // pair was last seen before this scan.
    QDateTime otherTime;
    QString hostName;
    // IpConflict: every MAC that answered or claimed the IP, in the order
    // heard (macAddress is the first of them).
    QStringList macs;

    // One line for a person, with every MAC labelled when it is randomised.
    QString text() const;
};
