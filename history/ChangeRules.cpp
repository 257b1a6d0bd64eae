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
        QString mac = MacText::key(row.macAddress);
        const qsizetype known = pairKeys.size();
        pairKeys.insert({ip, mac});
        if (pairKeys.size() == known)
            continue;
        pairs.append({&row, std::move(ip), std::move(mac)});
    }
    return pairs;
}

QList<ChangeEvent> events(const QList<Pair> &pairs, const std::vector<Sighting> &sightings,
                          const QHash<QString, QString> &neighbourMacs, const QString &site,
                          const QDateTime &now, const QString &absentBefore)
{
    QList<ChangeEvent> events;
    events.reserve(qsizetype(std::count_if(sightings.cbegin(), sightings.cend(),
                                           [](const Sighting &seen) { return seen.found; })));
    QSet<QString> newMacs; // one new station, also when it answers on several IPs
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
            e.hostName = pair.row->hostName;
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
            if (!seen.latestMac.isEmpty() && seen.latestMac != pair.mac) {
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
    return events;
}

} // namespace ChangeRules
