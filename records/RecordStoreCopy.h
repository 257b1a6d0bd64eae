#pragma once

#include "platform/Result.h"
#include "records/RecordStore.h"

// Copies the contents of one store into another, either engine to either
// engine. The target's tables are replaced in one write transaction, all or
// nothing; the source is only read. Both stores are at the current schema
// (opening migrates them), so a table has the same columns on both sides;
// the columns copied are those this program's schema names, never those a
// file declares.
namespace RecordStoreCopy {

// How many rows each table of a copy received.
struct Counts
{
    int records = 0;
    int history = 0;          // T_History: IP/MAC pairs
    int changes = 0;          // T_Change: change events
    int acknowledgements = 0; // T_Acknowledgement
};

// How many records the target holds (0 for a new, empty store).
Result<int> recordCount(const RecordStore &store);
// How many rows the tables beside the records hold: the host history, the
// change events and the acknowledgements together.
Result<int> keptRowCount(const RecordStore &store);
// The records (with their IDs) and the analysis options only: backup and
// recovery on a server, whose file is the embedded backup format. Returns
// how many records were copied.
Result<int> replaceAll(const RecordStore &from, const RecordStore &to);
// Everything a store keeps: the records, the options, the host history, the
// change events and the acknowledgements, so that moving to the other
// engine loses nothing.
Result<Counts> copyEverything(const RecordStore &from, const RecordStore &to);

} // namespace RecordStoreCopy
