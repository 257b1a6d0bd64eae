#pragma once

#include <QList>
#include <QStringList>

#include <optional>

#include "records/RecordBatch.h"

// What ServerBatchWrite writes, decided before it writes anything: the
// outcome of the items one by one, in item order, against the holders of
// their keys as the server found them and the records the items before
// wrote. The statements then follow from it: one COPY of the added records,
// one UPDATE per overwritten field count.
struct ServerBatchPlan
{
    // A record the batch refers to: an ID in the table (positive) or the slot
    // of a record the batch adds (-1 for the first, -2 for the second...).
    using Reference = qint64;

    // One UPDATE: fields 1 to fieldCount of the records, under their IDs.
    struct Update
    {
        int fieldCount = 0;
        QList<qint64> ids;
        QList<PresetRecord> records;
    };

    // The keys of the items in item order, as given and lower-cased here.
    struct Keys
    {
        BatchItem::MatchBy matchBy = BatchItem::MatchBy::IpAddress;
        QStringList keys;
        QStringList lowered;
    };
    // Nothing (the batch declined) when the items do not all match by the
    // same key or one has no key.
    static std::optional<Keys> keysOf(const QList<BatchItem> &items);

    // holders: one per item, the lowest ID that held its key before the batch.
    static ServerBatchPlan of(const QList<BatchItem> &items, const QList<std::optional<qint64>> &holders);

    QList<BatchOutcome::Action> actions; // one per item
    QList<Reference> references;         // one per item
    QList<PresetRecord> added;           // IDs 0; they get rising IDs in this order
    QList<Update> updates;               // by rising field count, IDs rising in each

    // The outcome once the added records have these IDs, slot by slot.
    BatchOutcome outcome(const QList<qint64> &newIds) const;
};
