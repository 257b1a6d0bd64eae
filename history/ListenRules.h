#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

#include "history/ChangeEvent.h"
#include "history/HistoryEntry.h"
#include "scan/HeardFrame.h"

// What the frames heard between scans mean to the host history: the change
// events a scan would give (new station, MAC changed, ip-conflict,
// flip-flop) and, for IPv4, the findings of the address checks against the
// preset records (ip-not-preset, ip-other-mac). Pure: no store, no clock;
// the caller seeds it with the history and feeds it frames in the order
// heard.
//
// A host that chatters gives one event per change, not one per frame: the
// state behind that is kept per address and per MAC, each bounded; the
// addresses and MACs heard least lately are forgotten first.
//
// IPv6 neighbours give events like IPv4 ones but no findings: the records
// hold IPv4 addresses only.
class RecordListModel;

class ListenRules
{
public:
    static constexpr int DefaultMaxEntries = 65536; // addresses, and MACs, kept in memory
    // Two MACs that claim or probe one address within this many seconds of
    // each other claim it at once.
    static constexpr int ConflictSeconds = 120;
    // An address that goes back to the MAC it left this many seconds ago or
    // less flip-flops.
    static constexpr int FlipFlopSeconds = 900;
    static constexpr int MaxAddressLength = 64; // above the longest IPv6 text
    static constexpr int MaxClaimants = 8;      // MACs remembered per address

    struct Finding
    {
        QString text; // FindingText's sentence
        QString ip;
        QString mac; // as the finding shows it, MacText::key form
    };

    // What one frame showed; a frame without news gives nothing.
    struct Outcome
    {
        QList<ChangeEvent> events;
        QList<Finding> findings;
        // The address and MAC to write into the history: every valid claim,
        // empty for a probe and a frame that was refused.
        QString heardIp;
        QString heardMac;
    };

    explicit ListenRules(const QString &site = {}, int maxEntries = DefaultMaxEntries);

    // The preset records: upper-cased IP -> the MAC of its first record, as
    // the analysis looks them up. Without records no finding is given.
    void setRecords(QHash<QString, QString> macByIp, bool checkMac = true);
    // The records' upper-cased IP -> MAC of the first record, for setRecords.
    static QHash<QString, QString> recordMacs(const RecordListModel &records);
    // Only IPv4 addresses from first to last (host byte order) are heard:
    // the scanned range, which the history and the findings are about.
    void setRange(quint32 first, quint32 last);

    // The site's history: the latest MAC of each address holds it, every
    // MAC is known. Gives nothing.
    void seed(const QList<HistoryEntry> &entries);
    // A completed scan's pairs (IP, MAC key) as they stood at time: they
    // hold their addresses from then on. The scan gave their events and
    // findings already, so hearing them again gives none.
    void noteScan(const QList<std::pair<QString, QString>> &pairs, const QDateTime &time);

    Outcome hear(const HeardFrame &frame);

    qsizetype addressCount() const { return m_addresses.size(); }
    qsizetype macCount() const { return m_macs.size(); }

private:
    struct Claimant
    {
        QString mac;
        QDateTime time; // last claim or probe
    };
    struct Address
    {
        QString holder; // the MAC that holds the address; empty while none does
        QDateTime holderSeen;
        QString previous; // the holder before, and when it lost the address
        QDateTime changedAt;
        QList<Claimant> claimants; // lately heard, newest last
        QStringList conflict;      // the MACs of the last ip-conflict given, while it lasts
        QSet<QString> found;       // the MACs whose findings were given
        QDateTime touched;
    };

    bool accepts(const HeardFrame &frame) const;
    Address &address(const QString &ip, const QDateTime &time);
    void knowMac(const QString &mac, const QDateTime &time);
    void take(Address &state, const QString &mac, const QDateTime &time);
    ChangeEvent event(ChangeEvent::Kind kind, const QString &ip, const QString &mac,
                      const QDateTime &time) const;
    void findings(Address &state, const QString &ip, const QString &mac, Outcome &outcome);
    template <typename Map>
    void evict(Map &map);

    QString m_site;
    qsizetype m_maxEntries;
    QHash<QString, QString> m_recordMacByIp;
    bool m_checkMac = false;
    std::optional<std::pair<quint32, quint32>> m_range;
    QHash<QString, Address> m_addresses;
    QHash<QString, QDateTime> m_macs; // known MAC -> when last seen
};
