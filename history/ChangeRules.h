#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

#include "history/ChangeEvent.h"

struct ScanRow;

// Which change events a scan shows, given what the site's history knew of
// its pairs before it. Kept apart from the statements that read and write the
// history, so that the rules answer for themselves without a store.
namespace ChangeRules {

// One scanned IP and MAC; row is the scan list's row that gave it. further:
// the MAC is one of the row's otherMacs, not its own (the row's names and
// vendor are not this MAC's).
struct Pair
{
    const ScanRow *row;
    QString ip;  // trimmed
    QString mac; // MacText::key form
    bool further = false;
};

// What the history knew of one scanned pair before this scan. found: the
// history lookup returned the pair (or the history was empty); a pair not
// found was seen lately at the same IP and MAC and shows nothing.
struct Sighting
{
    bool found = false;
    QString ownLastSeen; // empty when the pair is new
    QString latestMac;   // the MAC of the IP's latest sighting before this scan
    QString latestLastSeen;
    bool macKnown = false; // for a new pair: the history knows its MAC at another IP
};

// The history's pairs of the scan list, each once, in the order of the list,
// a row's further MACs right after its own: no marker rows, no rows without
// an IP or a MAC.
QList<Pair> pairsOf(const QList<ScanRow> &rows);

// The events of the pairs, one sighting per pair. An address that further
// MACs answered gives one "ip-conflict" when the conflict starts: not while
// a MAC of it was seen with another at the address's previous sighting. Its
// MACs are no "mac-changed" of each other, then or when it ends. neighbourMacs: see
// HistoryRecorder::record. absentBefore: the HistoryTime text before which a
// pair's last sighting makes it "returned".
QList<ChangeEvent> events(const QList<Pair> &pairs, const std::vector<Sighting> &sightings,
                          const QHash<QString, QString> &neighbourMacs, const QString &site,
                          const QDateTime &now, const QString &absentBefore);

} // namespace ChangeRules
