#include "records/ServerBatchWrite.h"

#include "records/PostgresConnection.h"
#include "records/RecordTable.h"
#include "records/ServerBatchPlan.h"

#include <QStringList>

namespace {

// An array literal of texts for a value "CAST($n AS text[])"; a null string
// is NULL. The server reads such a literal much faster than rows of JSON,
// and it is as quickly built.
QByteArray textArray(const QStringList &values)
{
    QByteArray literal = "{";
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            literal += ',';
        const QString &value = values.at(i);
        if (value.isNull()) {
            literal += "NULL";
            continue;
        }
        literal += '"';
        for (const char c : value.toUtf8()) {
            if (c == '"' || c == '\\')
                literal += '\\';
            literal += c;
        }
        literal += '"';
    }
    return literal + '}';
}

QByteArray numberArray(const QList<qint64> &values)
{
    QByteArray literal = "{";
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            literal += ',';
        literal += QByteArray::number(values.at(i));
    }
    return literal + '}';
}

// Fields 1 to fieldCount of the records, one array literal per field.
QList<QByteArray> fieldArrays(const QList<PresetRecord> &records, int fieldCount)
{
    QList<QStringList> columns(fieldCount);
    for (QStringList &column : columns)
        column.reserve(records.size());
    for (const PresetRecord &record : records) {
        const QStringList fields = record.fields();
        for (int k = 0; k < fieldCount; ++k)
            columns[k].append(fields.at(k));
    }
    QList<QByteArray> values;
    for (const QStringList &column : std::as_const(columns))
        values.append(textArray(column));
    return values;
}

// The arrays of numberArray (the IDs) and fieldArrays, the values $1, $2...,
// unnested as rows v(id, f1, ..., fN).
QString fieldRows(int fieldCount)
{
    QStringList arrays{QStringLiteral("CAST($1 AS bigint[])")}, names{QStringLiteral("id")};
    for (int k = 1; k <= fieldCount; ++k) {
        arrays.append(QStringLiteral("CAST($%1 AS text[])").arg(k + 1));
        names.append(QStringLiteral("f%1").arg(k));
    }
    return QStringLiteral("unnest(%1) AS v(%2)").arg(arrays.join(u", "), names.join(u", "));
}

// The records under IDs rising from firstId, as lines of COPY's text format.
QByteArray copyLines(const QList<PresetRecord> &records, qint64 firstId)
{
    QByteArray lines;
    lines.reserve(records.size() * 128);
    for (qsizetype i = 0; i < records.size(); ++i) {
        lines += QByteArray::number(firstId + i);
        for (const QString &field : records.at(i).fields()) {
            lines += '\t';
            PostgresConnection::appendCopyField(lines, field);
        }
        lines += '\n';
    }
    return lines;
}

// Writes the records under rising IDs in their order and returns the IDs.
Result<QList<qint64>> addRecords(PostgresConnection &connection, const QList<PresetRecord> &added)
{
    // Rising IDs for the new records in item order: a block of the
    // sequence, drawn and moved past at once. Every writer holds the write
    // lock before it inserts, so no other draws from the sequence meanwhile.
    // COPY then writes the records with those IDs: the server parses its
    // lines several times faster than an INSERT of the same rows.
    if (added.isEmpty())
        return QList<qint64>{};
    const Result<PostgresConnection::Rows> drawn =
        connection.exec("SELECT setval(s.seq, nextval(s.seq) + CAST($1 AS bigint) - 1) FROM (SELECT "
                        "CAST(pg_get_serial_sequence('T_Record', 'id') AS regclass) AS seq) AS s",
                        {QByteArray::number(added.size())});
    if (!drawn)
        return Failure{drawn.error()};
    if (drawn->count() != 1 || drawn->isNull(0, 0))
        return Failure{QStringLiteral("The server drew no IDs for the new records.")};
    const qint64 first = drawn->number(0, 0) - added.size() + 1;

    QStringList columns{QStringLiteral("ID")};
    for (int k = 0; k < PresetRecord::FieldCount; ++k)
        columns.append(RecordTable::fieldColumn(k));
    const Result<qint64> copied =
        connection.copyIn(QStringLiteral("COPY T_Record (%1) FROM STDIN").arg(columns.join(u", ")).toUtf8(),
                          copyLines(added, first));
    if (!copied)
        return Failure{copied.error()};
    if (*copied != added.size())
        return Failure{QStringLiteral("The server added %1 of %2 records.").arg(*copied).arg(added.size())};
    QList<qint64> newIds;
    newIds.reserve(added.size());
    for (qsizetype slot = 0; slot < added.size(); ++slot)
        newIds.append(first + slot);
    return newIds;
}

// One UPDATE per overwritten field count.
Result<> overwrite(PostgresConnection &connection, const QList<ServerBatchPlan::Update> &updates)
{
    for (const ServerBatchPlan::Update &update : updates) {
        QStringList assignments;
        for (int k = 0; k < update.fieldCount; ++k)
            assignments.append(QStringLiteral("%1 = v.f%2").arg(RecordTable::fieldColumn(k)).arg(k + 1));
        QList<QByteArray> bound{numberArray(update.ids)};
        bound.append(fieldArrays(update.records, update.fieldCount));
        const Result<PostgresConnection::Rows> updated =
            connection.exec(QStringLiteral("UPDATE T_Record SET %1 FROM %2 WHERE T_Record.ID = v.id")
                                .arg(assignments.join(u", "), fieldRows(update.fieldCount))
                                .toUtf8(),
                            bound);
        if (!updated)
            return Failure{updated.error()};
    }
    return {};
}

// Each key's first holder among the records there before the batch, one per
// item; nothing (the batch declined) when the server lower-cases a key
// otherwise than Qt does.
Result<std::optional<QList<std::optional<qint64>>>> probeHolders(PostgresConnection &connection,
                                                                 const ServerBatchPlan::Keys &keys)
{
    // By the key lower-cased here, as the one-by-one probe binds it; and
    // whether the server lower-cases the key alike, which it must. Only the
    // items with a holder or such a difference come back: an import into a
    // store without those keys reads no rows. The holders are found in one
    // pass, by the index for a few keys; a lookup per key would let the
    // server take the lowest IDs first and filter them, which, before it
    // has statistics of a table just filled, it does, at a cost of every
    // key times every record.
    const QString column = RecordTable::fieldColumn(keys.matchBy == BatchItem::MatchBy::IpAddress ? 0 : 1);
    const Result<PostgresConnection::Rows> probe = connection.exec(
        QStringLiteral("SELECT k.n, h.holder, lower(k.raw) <> k.folded FROM unnest(CAST($1 AS text[]), "
                       "CAST($2 AS text[])) WITH ORDINALITY AS k(raw, folded, n) LEFT JOIN (SELECT lower(%1) "
                       "AS folded, MIN(ID) AS holder FROM T_Record WHERE lower(%1) = ANY(CAST($2 AS text[])) "
                       "GROUP BY lower(%1)) AS h ON h.folded = k.folded "
                       "WHERE h.holder IS NOT NULL OR lower(k.raw) <> k.folded")
            .arg(column)
            .toUtf8(),
        {textArray(keys.keys), textArray(keys.lowered)});
    if (!probe)
        return Failure{probe.error()};
    QList<std::optional<qint64>> holders(keys.keys.size());
    for (int row = 0; row < probe->count(); ++row) {
        const qsizetype index = probe->number(row, 0) - 1;
        if (probe->text(row, 2) == "t")
            return std::optional<QList<std::optional<qint64>>>();
        if (index < 0 || index >= holders.size() || probe->isNull(row, 1))
            return Failure{QStringLiteral("The server answered the probe of the keys with nonsense.")};
        holders[index] = probe->number(row, 1);
    }
    return std::optional(holders);
}

} // namespace

Result<std::optional<BatchOutcome>> ServerBatchWrite::run(const QList<BatchItem> &items)
{
    const std::optional<BatchOutcome> declined;
    if (items.isEmpty())
        return std::optional<BatchOutcome>(BatchOutcome{});
    const std::optional<ServerBatchPlan::Keys> keys = ServerBatchPlan::keysOf(items);
    if (!keys)
        return declined;
    std::optional<PostgresConnection> connection = PostgresConnection::of(m_db);
    if (!connection)
        return declined;

    const Result<std::optional<QList<std::optional<qint64>>>> holders = probeHolders(*connection, *keys);
    if (!holders)
        return Failure{holders.error()};
    if (!*holders)
        return declined;
    const ServerBatchPlan plan = ServerBatchPlan::of(items, **holders);
    const Result<QList<qint64>> newIds = addRecords(*connection, plan.added);
    if (!newIds)
        return Failure{newIds.error()};
    if (const Result<> updated = overwrite(*connection, plan.updates); !updated)
        return Failure{updated.error()};
    return std::optional<BatchOutcome>(plan.outcome(*newIds));
}
