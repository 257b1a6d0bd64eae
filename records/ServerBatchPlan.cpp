#include "records/ServerBatchPlan.h"

#include <QHash>
#include <QMap>

namespace {

using Reference = ServerBatchPlan::Reference;

Reference slotReference(qsizetype slot)
{
    return -(Reference(slot) + 1);
}

QString keyOf(const BatchItem &item)
{
    return item.matchBy == BatchItem::MatchBy::IpAddress ? item.record.ipAddress : item.record.macAddress;
}

// base with fields 1 to count taken from top.
PresetRecord overlaid(const PresetRecord &base, const PresetRecord &top, int count)
{
    QStringList fields = base.fields();
    const QStringList topFields = top.fields();
    for (int k = 0; k < count; ++k)
        fields[k] = topFields.at(k);
    return PresetRecord::fromFields(fields);
}

struct Overwrite
{
    PresetRecord record;
    int fieldCount = 0;
};

// The overwrites of records there before the batch, by the ID in the table,
// as one update per field count.
QList<ServerBatchPlan::Update> updatesOf(const QMap<qint64, Overwrite> &overwrites)
{
    QMap<int, ServerBatchPlan::Update> updates;
    for (auto it = overwrites.cbegin(); it != overwrites.cend(); ++it) {
        ServerBatchPlan::Update &update = updates[it->fieldCount];
        update.fieldCount = it->fieldCount;
        update.ids.append(it.key());
        update.records.append(it->record);
    }
    return updates.values();
}

} // namespace

std::optional<ServerBatchPlan::Keys> ServerBatchPlan::keysOf(const QList<BatchItem> &items)
{
    Keys keys;
    if (!items.isEmpty())
        keys.matchBy = items.first().matchBy;
    for (const BatchItem &item : items) {
        const QString key = keyOf(item);
        if (item.matchBy != keys.matchBy || key.isNull())
            return std::nullopt;
        keys.keys.append(key);
        keys.lowered.append(key.toLower());
    }
    return keys;
}

ServerBatchPlan ServerBatchPlan::of(const QList<BatchItem> &items,
                                    const QList<std::optional<qint64>> &holders)
{
    // A holder from before the batch keeps its key (an overwrite writes the
    // same key in another case at most) and has a lower ID than any added
    // record, so it stays the first holder; a key without one is held from
    // its first addition on.
    ServerBatchPlan plan;
    QHash<QString, qsizetype> addedSlots; // lower-cased key -> slot
    QMap<qint64, Overwrite> overwrites;   // by the ID in the table
    for (qsizetype i = 0; i < items.size(); ++i) {
        const BatchItem &item = items.at(i);
        const QString key = keyOf(item).toLower();
        std::optional<Reference> holder = holders.value(i);
        if (!holder) {
            if (const auto slot = addedSlots.constFind(key); slot != addedSlots.cend())
                holder = slotReference(*slot);
        }
        if (!holder) {
            addedSlots.insert(key, plan.added.size());
            plan.references.append(slotReference(plan.added.size()));
            PresetRecord record = item.record;
            record.id = 0;
            plan.added.append(record);
            plan.actions.append(BatchOutcome::Action::Added);
            continue;
        }
        plan.references.append(*holder);
        if (item.onDuplicate == BatchItem::OnDuplicate::Skip) {
            plan.actions.append(BatchOutcome::Action::Skipped);
            continue;
        }
        const int fieldCount = qBound(1, item.overwrittenFields, PresetRecord::FieldCount);
        if (*holder < 0) {
            PresetRecord &record = plan.added[-*holder - 1];
            record = overlaid(record, item.record, fieldCount);
        } else if (const auto earlier = overwrites.find(*holder); earlier != overwrites.end()) {
            earlier->record = overlaid(earlier->record, item.record, fieldCount);
            earlier->fieldCount = qMax(earlier->fieldCount, fieldCount);
        } else {
            overwrites.insert(*holder, Overwrite{item.record, fieldCount});
        }
        plan.actions.append(BatchOutcome::Action::Overwritten);
    }
    plan.updates = updatesOf(overwrites);
    return plan;
}

BatchOutcome ServerBatchPlan::outcome(const QList<qint64> &newIds) const
{
    BatchOutcome outcome;
    outcome.actions = actions;
    for (const Reference reference : references)
        outcome.ids.append(reference < 0 ? newIds.value(-reference - 1) : reference);
    return outcome;
}
