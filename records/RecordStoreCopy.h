#pragma once

#include "RecordStore.h"
#include "Result.h"

// Copies the records (with their IDs) and the analysis options of one store
// into another, either engine to either engine: backup and recovery on a
// server, and db copy. The target's records and options are replaced in one
// write transaction, all or nothing; the source is only read.
namespace RecordStoreCopy {

// How many records the target holds (0 for a new, empty store).
Result<int> recordCount(const RecordStore &store);
// Returns how many records were copied.
Result<int> replaceAll(const RecordStore &from, const RecordStore &to);

} // namespace RecordStoreCopy
