#include "ServerBatchWrite.h"

#include "CheckedQuery.h"
#include "RecordTable.h"

#include <QHash>
#include <QMap>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <algorithm>

namespace {

// A record the batch refers to: an ID in the table (positive) or the slot of
// a record the batch adds (-1 for the first, -2 for the second...).
using Reference = qint64;

Reference slotReference(qsizetype slot)
{
    return -(Reference(slot) + 1);
}

QString keyOf(const BatchItem &item)
{
    return item.matchBy == BatchItem::MatchBy::IpAddress ? item.record.ipAddress : item.record.macAddress;
}

// An array literal of texts for a bound value "CAST(? AS text[])"; a null
// string is NULL, as it is when bound. The server reads such a literal much
// faster than rows of JSON, and it is as quickly built.
QString textArray(const QStringList &values)
{
    QString literal = QStringLiteral("{");
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            literal += QLatin1Char(',');
        const QString &value = values.at(i);
        if (value.isNull()) {
            literal += QLatin1String("NULL");
            continue;
        }
        literal += QLatin1Char('"');
        if (!value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\\'))) {
            literal += value;
        } else {
            for (const QChar c : value) {
                if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
                    literal += QLatin1Char('\\');
                literal += c;
            }
        }
        literal += QLatin1Char('"');
    }
    return literal + QLatin1Char('}');
}

QString numberArray(const QList<qint64> &values)
{
    QStringList texts;
    texts.reserve(values.size());
    for (const qint64 value : values)
        texts.append(QString::number(value));
    return QLatin1Char('{') + texts.join(QLatin1Char(',')) + QLatin1Char('}');
}

// Fields 1 to fieldCount of the records, one array literal per field.
QVariantList fieldArrays(const QList<PresetRecord> &records, int fieldCount)
{
    QList<QStringList> columns(fieldCount);
    for (QStringList &column : columns)
        column.reserve(records.size());
    for (const PresetRecord &record : records) {
        const QStringList fields = record.fields();
        for (int k = 0; k < fieldCount; ++k)
            columns[k].append(fields.at(k));
    }
    QVariantList values;
    for (const QStringList &column : std::as_const(columns))
        values.append(textArray(column));
    return values;
}

// The arrays of fieldArrays unnested as rows v(f1, ..., fN), after an array
// of IDs v(id) when withIds, numbered v(n) in array order when numbered.
QString fieldRows(int fieldCount, bool withIds, bool numbered)
{
    QStringList arrays, names;
    if (withIds) {
        arrays.append(QStringLiteral("CAST(? AS bigint[])"));
        names.append(QStringLiteral("id"));
    }
    for (int k = 1; k <= fieldCount; ++k) {
        arrays.append(QStringLiteral("CAST(? AS text[])"));
        names.append(QStringLiteral("f%1").arg(k));
    }
    if (numbered)
        names.append(QStringLiteral("n"));
    return QStringLiteral("unnest(%1)%2 AS v(%3)")
        .arg(arrays.join(u", "), numbered ? QStringLiteral(" WITH ORDINALITY") : QString(),
             names.join(u", "));
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

Result<QSqlQuery> execute(QSqlDatabase &db, const QString &statement, const QVariantList &values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (const Result<> done = CheckedQuery::exec(query, statement, values); !done)
        return Failure{done.error()};
    return query;
}

struct Overwrite
{
    PresetRecord record;
    int fieldCount = 0;
};

} // namespace

Result<std::optional<BatchOutcome>> ServerBatchWrite::run(const QList<BatchItem> &items)
{
    const std::optional<BatchOutcome> declined;
    if (items.isEmpty())
        return std::optional<BatchOutcome>(BatchOutcome{});
    const BatchItem::MatchBy matchBy = items.first().matchBy;
    QStringList keys, lowered;
    for (const BatchItem &item : items) {
        const QString key = keyOf(item);
        if (item.matchBy != matchBy || key.isNull())
            return declined;
        keys.append(key);
        lowered.append(key.toLower());
    }

    // Each key's first holder among the records there before the batch, by
    // the key lower-cased here, as the one-by-one probe binds it; and
    // whether the server lower-cases the key alike, which it must. Only the
    // items with a holder or such a difference come back: an import into a
    // store without those keys reads no rows. (OFFSET 0 keeps the holder's
    // subquery from being copied into the filter and run twice.)
    const QString column = RecordTable::fieldColumn(matchBy == BatchItem::MatchBy::IpAddress ? 0 : 1);
    Result<QSqlQuery> probe =
        execute(m_db,
                QStringLiteral(
                    "SELECT p.n, p.holder, p.differs FROM (SELECT k.n, lower(k.raw) <> k.folded AS differs, "
                    "(SELECT MIN(ID) FROM T_Record WHERE lower(%1) = k.folded) AS holder "
                    "FROM unnest(CAST(? AS text[]), CAST(? AS text[])) WITH ORDINALITY AS k(raw, folded, n) "
                    "OFFSET 0) AS p WHERE p.holder IS NOT NULL OR p.differs")
                    .arg(column),
                {textArray(keys), textArray(lowered)});
    if (!probe)
        return Failure{probe.error()};
    QList<std::optional<qint64>> holders(items.size());
    for (;;) {
        const Result<bool> row = CheckedQuery::next(*probe);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        const qsizetype index = probe->value(0).toLongLong() - 1;
        if (probe->value(2).toBool())
            return declined;
        if (index < 0 || index >= items.size() || probe->value(1).isNull())
            return Failure{QStringLiteral("The server answered the probe of the keys with nonsense.")};
        holders[index] = probe->value(1).toLongLong();
    }
    probe->finish();

    // The decisions in item order. A holder from before the batch keeps its
    // key (an overwrite writes the same key in another case at most) and has
    // a lower ID than any added record, so it stays the first holder; a key
    // without one is held from its first addition on.
    BatchOutcome outcome;
    QList<Reference> references;
    QList<PresetRecord> added;
    QHash<QString, qsizetype> addedSlots; // lower-cased key -> slot
    QMap<qint64, Overwrite> overwrites;   // by the ID in the table
    for (qsizetype i = 0; i < items.size(); ++i) {
        const BatchItem &item = items.at(i);
        const QString key = keyOf(item).toLower();
        std::optional<Reference> holder = holders.at(i);
        if (!holder) {
            if (const auto slot = addedSlots.constFind(key); slot != addedSlots.cend())
                holder = slotReference(*slot);
        }
        if (!holder) {
            addedSlots.insert(key, added.size());
            references.append(slotReference(added.size()));
            PresetRecord record = item.record;
            record.id = 0;
            added.append(record);
            outcome.actions.append(BatchOutcome::Action::Added);
            continue;
        }
        references.append(*holder);
        if (item.onDuplicate == BatchItem::OnDuplicate::Skip) {
            outcome.actions.append(BatchOutcome::Action::Skipped);
            continue;
        }
        const int fieldCount = qBound(1, item.overwrittenFields, PresetRecord::FieldCount);
        if (*holder < 0) {
            PresetRecord &record = added[-*holder - 1];
            record = overlaid(record, item.record, fieldCount);
        } else if (const auto earlier = overwrites.find(*holder); earlier != overwrites.end()) {
            earlier->record = overlaid(earlier->record, item.record, fieldCount);
            earlier->fieldCount = qMax(earlier->fieldCount, fieldCount);
        } else {
            overwrites.insert(*holder, Overwrite{item.record, fieldCount});
        }
        outcome.actions.append(BatchOutcome::Action::Overwritten);
    }

    // Rising IDs for the new records in item order: a block of the
    // sequence, drawn and moved past in the insert itself. Every writer holds
    // the write lock before it inserts, so no other draws from the sequence
    // meanwhile.
    QList<qint64> newIds;
    if (!added.isEmpty()) {
        QStringList columns{QStringLiteral("ID")}, values{QStringLiteral("drawn.last - ? + v.n")};
        for (int k = 0; k < PresetRecord::FieldCount; ++k) {
            columns.append(RecordTable::fieldColumn(k));
            values.append(QStringLiteral("v.f%1").arg(k + 1));
        }
        QVariantList bound{qint64(added.size()), qint64(added.size())};
        bound.append(fieldArrays(added, PresetRecord::FieldCount));
        Result<QSqlQuery> inserted = execute(
            m_db,
            QStringLiteral("WITH drawn AS (SELECT setval(s.seq, nextval(s.seq) + ? - 1) AS last FROM (SELECT "
                           "CAST(pg_get_serial_sequence('T_Record', 'id') AS regclass) AS seq) AS s), "
                           "added AS (INSERT INTO T_Record (%1) SELECT %2 FROM drawn, %3 RETURNING ID) "
                           "SELECT MIN(ID), COUNT(*) FROM added")
                .arg(columns.join(u", "), values.join(u", "),
                     fieldRows(PresetRecord::FieldCount, false, true)),
            bound);
        if (!inserted)
            return Failure{inserted.error()};
        const Result<bool> row = CheckedQuery::next(*inserted);
        if (!row)
            return Failure{row.error()};
        if (!*row || inserted->value(1).toLongLong() != added.size())
            return Failure{QStringLiteral("The server added %1 of %2 records.")
                               .arg(*row ? inserted->value(1).toLongLong() : 0)
                               .arg(added.size())};
        const qint64 first = inserted->value(0).toLongLong();
        inserted->finish();
        for (qsizetype slot = 0; slot < added.size(); ++slot)
            newIds.append(first + slot);
    }

    // By the count of fields written, the IDs and the records.
    QMap<int, std::pair<QList<qint64>, QList<PresetRecord>>> updates;
    for (auto it = overwrites.cbegin(); it != overwrites.cend(); ++it) {
        auto &[ids, records] = updates[it->fieldCount];
        ids.append(it.key());
        records.append(it->record);
    }
    for (auto it = updates.cbegin(); it != updates.cend(); ++it) {
        QStringList assignments;
        for (int k = 0; k < it.key(); ++k)
            assignments.append(QStringLiteral("%1 = v.f%2").arg(RecordTable::fieldColumn(k)).arg(k + 1));
        QVariantList bound{numberArray(it->first)};
        bound.append(fieldArrays(it->second, it.key()));
        const Result<QSqlQuery> updated =
            execute(m_db,
                    QStringLiteral("UPDATE T_Record SET %1 FROM %2 WHERE T_Record.ID = v.id")
                        .arg(assignments.join(u", "), fieldRows(it.key(), true, false)),
                    bound);
        if (!updated)
            return Failure{updated.error()};
    }

    for (const Reference reference : std::as_const(references))
        outcome.ids.append(reference < 0 ? newIds.at(-reference - 1) : reference);
    return std::optional<BatchOutcome>(std::move(outcome));
}
