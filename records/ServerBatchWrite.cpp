#include "ServerBatchWrite.h"

#include "CheckedQuery.h"
#include "RecordTable.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

QString jsonText(const QJsonArray &rows)
{
    return QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact));
}

// A null string goes in as NULL, as it does when bound.
QJsonValue jsonValue(const QString &text)
{
    return text.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

// The ID and fields 1 to fieldCount of a record as one JSON row "id", "f1"...
QJsonObject jsonRow(qint64 id, const PresetRecord &record, int fieldCount)
{
    QJsonObject row{{QStringLiteral("id"), QString::number(id)}};
    const QStringList fields = record.fields();
    for (int k = 0; k < fieldCount; ++k)
        row.insert(QStringLiteral("f%1").arg(k + 1), jsonValue(fields.at(k)));
    return row;
}

// The table of JSON rows that jsonRow makes, for a statement's FROM.
QString jsonRows(int fieldCount)
{
    QStringList columns{QStringLiteral("id BIGINT")};
    for (int k = 1; k <= fieldCount; ++k)
        columns.append(QStringLiteral("f%1 TEXT").arg(k));
    return QStringLiteral("json_to_recordset(CAST(? AS json)) AS v(%1)").arg(columns.join(u", "));
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

// The first column of every row, as numbers.
Result<QList<qint64>> numbers(QSqlQuery &query)
{
    QList<qint64> values;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            return values;
        values.append(query.value(0).toLongLong());
    }
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
    QJsonArray keys;
    for (const BatchItem &item : items) {
        const QString key = keyOf(item);
        if (item.matchBy != matchBy || key.isNull())
            return declined;
        keys.append(QJsonArray{key, key.toLower()});
    }

    // Each key's first holder among the records there before the batch, by
    // the key lower-cased here, as the one-by-one probe binds it; and the key
    // as the server lower-cases it, which must agree.
    const QString column = RecordTable::fieldColumn(matchBy == BatchItem::MatchBy::IpAddress ? 0 : 1);
    Result<QSqlQuery> probe = execute(
        m_db,
        QStringLiteral("SELECT lower(k.e ->> 0), (SELECT MIN(ID) FROM T_Record WHERE lower(%1) = k.e ->> 1) "
                       "FROM json_array_elements(CAST(? AS json)) WITH ORDINALITY AS k(e, n) ORDER BY k.n")
            .arg(column),
        {jsonText(keys)});
    if (!probe)
        return Failure{probe.error()};
    QList<std::optional<qint64>> holders;
    holders.reserve(items.size());
    for (;;) {
        const Result<bool> row = CheckedQuery::next(*probe);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        if (holders.size() >= items.size() ||
            probe->value(0).toString() != keyOf(items.at(holders.size())).toLower())
            return declined;
        holders.append(probe->value(1).isNull() ? std::nullopt
                                                : std::optional<qint64>(probe->value(1).toLongLong()));
    }
    probe->finish();
    if (holders.size() != items.size())
        return Failure{
            QStringLiteral("The server probed %1 of %2 keys.").arg(holders.size()).arg(items.size())};

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

    // Rising IDs for the new records, in item order; the write lock keeps
    // other writers from the sequence meanwhile, and its values only rise.
    QList<qint64> newIds;
    if (!added.isEmpty()) {
        Result<QSqlQuery> reserved =
            execute(m_db,
                    QStringLiteral("SELECT nextval(pg_get_serial_sequence('T_Record', 'id')) "
                                   "FROM generate_series(1, ?)"),
                    {int(added.size())});
        if (!reserved)
            return Failure{reserved.error()};
        Result<QList<qint64>> ids = numbers(*reserved);
        if (!ids)
            return Failure{ids.error()};
        if (ids->size() != added.size())
            return Failure{
                QStringLiteral("The server gave %1 of %2 IDs.").arg(ids->size()).arg(added.size())};
        newIds = *ids;
        std::sort(newIds.begin(), newIds.end());

        QJsonArray rows;
        for (qsizetype slot = 0; slot < added.size(); ++slot)
            rows.append(jsonRow(newIds.at(slot), added.at(slot), PresetRecord::FieldCount));
        QStringList columns{QStringLiteral("ID")}, values{QStringLiteral("v.id")};
        for (int k = 0; k < PresetRecord::FieldCount; ++k) {
            columns.append(RecordTable::fieldColumn(k));
            values.append(QStringLiteral("v.f%1").arg(k + 1));
        }
        const Result<QSqlQuery> inserted =
            execute(m_db,
                    QStringLiteral("INSERT INTO T_Record (%1) SELECT %2 FROM %3")
                        .arg(columns.join(u", "), values.join(u", "), jsonRows(PresetRecord::FieldCount)),
                    {jsonText(rows)});
        if (!inserted)
            return Failure{inserted.error()};
    }

    QMap<int, QJsonArray> updates; // by the count of fields written
    for (auto it = overwrites.cbegin(); it != overwrites.cend(); ++it)
        updates[it->fieldCount].append(jsonRow(it.key(), it->record, it->fieldCount));
    for (auto it = updates.cbegin(); it != updates.cend(); ++it) {
        QStringList assignments;
        for (int k = 0; k < it.key(); ++k)
            assignments.append(QStringLiteral("%1 = v.f%2").arg(RecordTable::fieldColumn(k)).arg(k + 1));
        const Result<QSqlQuery> updated =
            execute(m_db,
                    QStringLiteral("UPDATE T_Record SET %1 FROM %2 WHERE T_Record.ID = v.id")
                        .arg(assignments.join(u", "), jsonRows(it.key())),
                    {jsonText(*it)});
        if (!updated)
            return Failure{updated.error()};
    }

    for (const Reference reference : std::as_const(references))
        outcome.ids.append(reference < 0 ? newIds.at(-reference - 1) : reference);
    return std::optional<BatchOutcome>(std::move(outcome));
}
