#include "records/RecordTable.h"

#include "records/CheckedQuery.h"
#include "records/SqlEngine.h"

#include <QStringList>
#include <QVariant>

namespace {

// The ten fields in their ordinal order; reads and writes go by position.
// "User" is quoted: a reserved word on a PostgreSQL server.
const QString RecordColumns = QStringLiteral(
    "ID, IPAddress, MACAddress, HostName, Workgroup, \"User\", Department, Location, laninterface, Comments");
const char *const FieldColumns[PresetRecord::FieldCount] = {"IPAddress", "MACAddress",   "HostName",
                                                            "Workgroup", "\"User\"",     "Department",
                                                            "Location",  "laninterface", "Comments"};

PresetRecord readRecord(const QSqlQuery &query)
{
    // NULL reads as empty text.
    QStringList fields;
    for (int k = 1; k <= PresetRecord::FieldCount; ++k)
        fields.append(query.value(k).toString());
    return PresetRecord::fromFields(fields, query.value(0).toLongLong());
}

QVariantList fieldValues(const PresetRecord &record, int count)
{
    QVariantList values;
    const QStringList fields = record.fields();
    for (int k = 0; k < count; ++k)
        values.append(fields.at(k));
    return values;
}

} // namespace

Result<QSqlQuery *> RecordTable::run(const QString &statement, const QVariantList &values)
{
    auto it = m_statements.find(statement);
    if (it == m_statements.end()) {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (const Result<> prepared = CheckedQuery::prepare(query, statement); !prepared)
            return Failure{prepared.error()};
        it = m_statements.insert(statement, std::move(query));
    }
    QSqlQuery &query = it.value();
    if (const Result<> done = CheckedQuery::execPrepared(query, values); !done)
        return Failure{done.error()};
    return &query;
}

Result<QList<PresetRecord>> RecordTable::all()
{
    const Result<QSqlQuery *> query =
        run(QStringLiteral("SELECT %1 FROM T_Record ORDER BY ID").arg(RecordColumns), {});
    if (!query)
        return Failure{query.error()};
    QList<PresetRecord> records;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(**query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        records.append(readRecord(**query));
    }
    (*query)->finish();
    return records;
}

Result<std::optional<PresetRecord>> RecordTable::byId(qint64 id)
{
    const Result<QSqlQuery *> query =
        run(QStringLiteral("SELECT %1 FROM T_Record WHERE ID = ?").arg(RecordColumns), {id});
    if (!query)
        return Failure{query.error()};
    const Result<bool> row = CheckedQuery::next(**query);
    if (!row)
        return Failure{row.error()};
    std::optional<PresetRecord> record;
    if (*row)
        record = readRecord(**query);
    (*query)->finish();
    return record;
}

QStringList RecordTable::columnNames()
{
    QStringList names{QStringLiteral("ID")};
    for (const char *column : FieldColumns)
        names.append(QString::fromLatin1(column).remove(QLatin1Char('"')));
    return names;
}

QString RecordTable::fieldColumn(int k)
{
    return QLatin1String(FieldColumns[k]);
}

QString RecordTable::probeStatement(Column column, Engine engine)
{
    const QLatin1String name(column == Column::IpAddress ? "IPAddress" : "MACAddress");
    // The server's indexes are on the lower-cased text; the value is bound
    // lower-cased.
    if (engine == Engine::Postgres)
        return QStringLiteral("SELECT MIN(ID) FROM T_Record WHERE lower(%1) = ? AND ID <> ?").arg(name);
    // COLLATE NOCASE in the comparison picks the index of the same collation.
    // MIN rather than ORDER BY: the index search alone answers it.
    return QStringLiteral("SELECT MIN(ID) FROM T_Record WHERE %1 = ? COLLATE NOCASE AND ID <> ?").arg(name);
}

Result<std::optional<qint64>> RecordTable::firstHolding(Column column, const QString &value, qint64 exceptId)
{
    const bool postgres = SqlEngine::isPostgres(m_db);
    const Result<QSqlQuery *> query =
        run(probeStatement(column, postgres ? Engine::Postgres : Engine::Sqlite),
            {postgres ? value.toLower() : value, exceptId});
    if (!query)
        return Failure{query.error()};
    const Result<bool> row = CheckedQuery::next(**query);
    if (!row)
        return Failure{row.error()};
    std::optional<qint64> id;
    if (*row && !(*query)->value(0).isNull())
        id = (*query)->value(0).toLongLong();
    (*query)->finish();
    return id;
}

Result<qint64> RecordTable::insert(const PresetRecord &record)
{
    QStringList columns;
    for (const char *column : FieldColumns)
        columns.append(QLatin1String(column));
    const Result<QSqlQuery *> query =
        run(QStringLiteral("INSERT INTO T_Record (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .arg(columns.join(u", ")),
            fieldValues(record, PresetRecord::FieldCount));
    if (!query)
        return Failure{query.error()};
    const QVariant id = (*query)->lastInsertId();
    if (!id.isValid())
        return Failure{QStringLiteral("No ID was assigned.")};
    return id.toLongLong();
}

Result<> RecordTable::insertWithId(const PresetRecord &record)
{
    QVariantList values{record.id};
    values.append(fieldValues(record, PresetRecord::FieldCount));
    const Result<QSqlQuery *> query = run(
        QStringLiteral("INSERT INTO T_Record (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(RecordColumns),
        values);
    if (!query)
        return Failure{query.error()};
    return {};
}

Result<bool> RecordTable::update(const PresetRecord &record, int fieldCount)
{
    fieldCount = qBound(1, fieldCount, PresetRecord::FieldCount);
    QStringList assignments;
    for (int k = 0; k < fieldCount; ++k)
        assignments.append(QLatin1String(FieldColumns[k]) + QStringLiteral(" = ?"));
    QVariantList values = fieldValues(record, fieldCount);
    values.append(record.id);
    const Result<QSqlQuery *> query =
        run(QStringLiteral("UPDATE T_Record SET %1 WHERE ID = ?").arg(assignments.join(u", ")), values);
    if (!query)
        return Failure{query.error()};
    return (*query)->numRowsAffected() > 0;
}

Result<int> RecordTable::remove(qint64 id)
{
    const Result<QSqlQuery *> query = run(QStringLiteral("DELETE FROM T_Record WHERE ID = ?"), {id});
    if (!query)
        return Failure{query.error()};
    return qMax(0, (*query)->numRowsAffected());
}
