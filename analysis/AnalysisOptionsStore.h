#pragma once

#include <QString>

#include "analysis/AnalysisOptions.h"
#include "platform/Result.h"

class RecordStore;

// LoadAnalysisOptions and SaveAnalysisOptions on table T_set of the record
// database. T_set holds one row; its first row is read and written, and the
// first save creates it when the table is empty.
//
// Each call opens its own connection through the record store and closes it
// before it returns. On failure a call returns a Result with a message for
// the user (see Result.h), and nothing has changed.
class AnalysisOptionsStore
{
public:
    explicit AnalysisOptionsStore(const RecordStore &store) : m_store(store) {}

    // An empty table gives the defaults. A stored mins that is not one of the
    // offered values is refused: the default minutes stand instead. A check
    // value counts as ticked only when it is 1.
    Result<AnalysisOptions> LoadAnalysisOptions() const;
    Result<> SaveAnalysisOptions(const AnalysisOptions &options) const;

private:
    const RecordStore &m_store;
};
