#include "history/ChangeRules.h"

#include "history/HistoryTime.h"
#include "history/MacText.h"
#include "lists/ScanRow.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace ChangeRules {

QList<Pair> pairsOf(const QList<ScanRow> &rows)
{
    QList<Pair> pairs;
    pairs.reserve(rows.size());
    QSet<std::pair<QString, QString>> pairKeys;
    pairKeys.reserve(rows.size());
    for (const ScanRow &row : rows) {
        if (row.isMarker())
            continue;
        QString ip = row.ipAddress.trimmed();
        if (ip.isEmpty() || row.macAddress.trimmed().isEmpty())
            continue;
        const auto add = [&](const QString &macText, bool further) {
            QString mac = MacText::key(macText.trimmed());
            const qsizetype known = pairKeys.size();
            pairKeys.insert({ip, mac});
            if (!mac.isEmpty() && pairKeys.size() != known)
                pairs.append({&row, ip, std::move(mac), further});
        };
        add(row.macAddress, false);
        for (const QString &other : row.otherMacs)
            add(other, true);
    }
    return pairs;
}

namespace {

// An address that more than one MAC answered in this scan.
struct Conflict
{
    const Pair *first = nullptr; // its first pair in the list
    QStringList macs;            // in the order heard
    bool continuing = false;     // one of them was seen with another at the previous sighting
};

// The scan's conflicts by address, and their addresses in the order of the list.
std::pair<QHash<QString, Conflict>, QStringList> conflictsOf(const QList<Pair> &pairs,
                                                             const std::vector<Sighting> &sightings)
{
    QHash<QString, Conflict> conflicts;
    QStringList order;
    for (qsizetype n = 0; n < pairs.size(); ++n) {
        const Pair &pair = pairs.at(n);
        if (pair.row->otherMacs.isEmpty())
            continue;
        Conflict &conflict = conflicts[pair.ip];
        if (!conflict.first) {
            conflict.first = &pair;
            order.append(pair.ip);
        }
        if (!conflict.macs.contains(pair.mac))
            conflict.macs.append(pair.mac);
        // Own and latest other sighting at one time: both MACs answered the
        // previous scan of the address.
        const Sighting &seen = sightings[size_t(n)];
        if (seen.found && !seen.ownLastSeen.isEmpty() && seen.ownLastSeen == seen.latestLastSeen)
            conflict.continuing = true;
    }
    return {conflicts, order};
}

} // namespace

QList<ChangeEvent> events(const QList<Pair> &pairs, const std::vector<Sighting> &sightings,
                          const QHash<QString, QString> &neighbourMacs, const QString &site,
                          const QDateTime &now, const QString &absentBefore)
{
    QList<ChangeEvent> events;
    events.reserve(qsizetype(std::count_if(sightings.cbegin(), sightings.cend(),
                                           [](const Sighting &seen) { return seen.found; })));
    QSet<QString> newMacs; // one new station, also when it answers on several IPs
    const auto [conflicts, conflictOrder] = conflictsOf(pairs, sightings);
    for (qsizetype n = 0; n < pairs.size(); ++n) {
        const Pair &pair = pairs.at(n);
        const Sighting &seen = sightings[size_t(n)];
        const auto event = [&](ChangeEvent::Kind kind) -> ChangeEvent & {
            ChangeEvent &e = events.emplace_back();
            e.kind = kind;
            e.site = site;
            e.time = now;
            e.ipAddress = pair.ip;
            e.macAddress = pair.mac;
            e.hostName = pair.further ? QString() : pair.row->hostName;
            return e;
        };

        if (seen.found) {
            if (seen.ownLastSeen.isEmpty()) {
                const qsizetype before = newMacs.size();
                if (!seen.macKnown && (newMacs.insert(pair.mac), newMacs.size() != before)) {
                    event(ChangeEvent::Kind::NewStation);
                    if (MacText::isLocallyAdministered(pair.mac))
                        event(ChangeEvent::Kind::RandomisedMac);
                }
            } else if (seen.ownLastSeen < absentBefore) {
                event(ChangeEvent::Kind::Returned).otherTime = HistoryTime::fromText(seen.ownLastSeen);
            }
            // A MAC that answered with the latest one at the previous
            // sighting, or beside others now, took nothing over.
            if (!seen.latestMac.isEmpty() && seen.latestMac != pair.mac &&
                seen.ownLastSeen != seen.latestLastSeen && !conflicts.contains(pair.ip)) {
                ChangeEvent &changed = event(ChangeEvent::Kind::MacChanged);
                changed.otherMac = seen.latestMac;
                changed.otherTime = HistoryTime::fromText(seen.latestLastSeen);
            }
        }
        if (neighbourMacs.isEmpty())
            continue; // an ARP scan, or no neighbour table to compare with
        const QString neighbour = MacText::key(neighbourMacs.value(pair.row->ipAddress));
        if (!neighbour.isEmpty() && neighbour != pair.mac && MacText::isStationAddress(pair.mac))
            event(ChangeEvent::Kind::NbstatMacMismatch).otherMac = neighbour;
    }
    for (const QString &ip : conflictOrder) {
        const Conflict &conflict = conflicts[ip];
        if (conflict.continuing || conflict.macs.size() < 2)
            continue;
        ChangeEvent &e = events.emplace_back();
        e.kind = ChangeEvent::Kind::IpConflict;
        e.site = site;
        e.time = now;
        e.ipAddress = ip;
        e.macAddress = conflict.macs.constFirst();
        e.macs = conflict.macs;
        e.hostName = conflict.first->row->hostName;
    }
    return events;
}

} // namespace ChangeRules
