#pragma once

#include <QList>

#include "lists/PresetRecord.h"

// One record of a batch write (the scan-row wizard, the spreadsheet import)
// with its duplicate decision. The record is written as it stands: no
// trimming, no case change, no validation.
struct BatchItem
{
    enum class MatchBy { IpAddress, MacAddress };
    enum class OnDuplicate { Skip, Overwrite };

    PresetRecord record; // its id is ignored
    // Only this key is probed, without regard to case; a record matched by IP
    // is not probed for its MAC, nor one matched by MAC for its IP.
    MatchBy matchBy = MatchBy::IpAddress;
    // What happens to the first matching record (the lowest ID).
    OnDuplicate onDuplicate = OnDuplicate::Skip;
    // An overwrite writes fields 1 to this count; the others keep their values
    // (the scan-row wizard writes the four fields a scan provides).
    int overwrittenFields = PresetRecord::FieldCount;
};

// What a batch did, item by item in the order given. Items see the records
// that the items before them wrote.
struct BatchOutcome
{
    enum class Action { Added, Overwritten, Skipped };

    QList<Action> actions; // one per item
    // The ID that each item added or overwrote, or the one it was skipped for.
    QList<qint64> ids;

    int count(Action action) const { return int(actions.count(action)); }
    int added() const { return count(Action::Added); }
    int overwritten() const { return count(Action::Overwritten); }
    int skipped() const { return count(Action::Skipped); }
};
