#pragma once

#include <QSet>
#include <QString>

#include "lists/PresetRecord.h"
#include "records/RecordBatch.h"

// The keys (IP or MAC address) that the records hold once the rows decided
// so far in an import run are written, compared as the store compares them:
// SQLite's NOCASE collation folds the ASCII letters only. The import runs
// must agree with the store here, or a row they took for new would be
// skipped by the write without being asked about.
class DuplicateKeys
{
public:
    DuplicateKeys(BatchItem::MatchBy matchBy, const QList<PresetRecord> &records);

    static const QString &keyOf(BatchItem::MatchBy matchBy, const PresetRecord &record);
    static QString folded(const QString &key);

    // True when a record already holds the record's key; otherwise the key
    // is taken from now on (an overwrite keeps the key it was found by).
    bool isHeld(const PresetRecord &record);

private:
    BatchItem::MatchBy m_matchBy;
    QSet<QString> m_held;
};
