#include "records/RecordStoreCopy.h"

#include "records/CheckedQuery.h"
#include "records/RecordSchema.h"
#include "records/RecordStoreSession.h"
#include "records/RecordTable.h"
#include "records/SqlEngine.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <atomic>

namespace {

const QString SetColumns = QStringLiteral("check1, check2, check3, check4, check5, mins");

Failure fail(const RecordStore &store, const QString &what, const QString &detail)
{
    return Failure{QStringLiteral("%1 (%2)\r\n%3").arg(what, store.location(), detail)};
}

// The rows of T_set, each its six values.
Result<QList<QVariantList>> readOptions(QSqlDatabase &db)
{
    QList<QVariantList> rows;
    const Result<> read = CheckedQuery::eachRow(db, QStringLiteral("SELECT %1 FROM T_set").arg(SetColumns),
                                                {}, [&rows](const QSqlQuery &query) {
                                                    QVariantList values;
                                                    for (int k = 0; k < 6; ++k)
                                                        values.append(query.value(k));
                                                    rows.append(values);
                                                });
    if (!read)
        return Failure{read.error()};
    return rows;
}

// The tables beside the records, copied by copyEverything column by column
// as the schema defines them, so that a column added later comes along.
const char *const KeptTables[] = {"T_History", "T_Change", "T_Acknowledgement"};

struct TableRows
{
    QStringList columns;
    QList<QVariantList> rows;
};

// PRAGMA table_info of each kept table, in the order of KeptTables.
Result<QList<QStringList>> tableColumns(QSqlDatabase &db)
{
    QList<QStringList> all;
    for (const char *table : KeptTables) {
        QStringList names;
        const Result<> read =
            CheckedQuery::eachRow(db, QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)), {},
                                  [&names](const QSqlQuery &row) { names.append(row.value(1).toString()); });
        if (!read)
            return Failure{read.error()};
        all.append(names);
    }
    return all;
}

// The columns of each kept table as this program's schema names them, read
// from a database that its own migrations build in memory. Never from the
// stores: a file's column names are text of its maker's choosing and would
// run as SQL in the statements that name them.
Result<QList<QStringList>> schemaColumns()
{
    static std::atomic<quint64> next{0};
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                QStringLiteral("netkestrel-schema-%1").arg(++next));
    db.setDatabaseName(QStringLiteral(":memory:"));
    Result<QList<QStringList>> columns = Failure{QString()};
    if (!db.open())
        columns = Failure{db.lastError().text().trimmed()};
    else if (const Result<> migrated = RecordSchema::migrate(db); !migrated)
        columns = Failure{migrated.error()};
    else
        columns = tableColumns(db);
    RecordStore::CloseRecordStore(db);
    return columns;
}

Result<TableRows> readTable(QSqlDatabase &db, const QString &table, const QStringList &columns)
{
    TableRows read;
    read.columns = columns;
    const Result<> done = CheckedQuery::eachRow(
        db, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1String(", ")), table), {},
        [&read](const QSqlQuery &row) {
            QVariantList values;
            values.reserve(read.columns.size());
            for (int k = 0; k < read.columns.size(); ++k)
                values.append(row.value(k));
            read.rows.append(values);
        });
    if (!done)
        return Failure{done.error()};
    return read;
}

// Replaces the rows of the table; inside the caller's transaction.
Result<> writeTable(QSqlDatabase &db, const QString &table, const TableRows &rows)
{
    QSqlQuery query(db);
    if (const Result<> done = CheckedQuery::exec(query, QStringLiteral("DELETE FROM %1").arg(table)); !done)
        return done;
    if (rows.rows.isEmpty())
        return {};
    QStringList marks;
    for (int k = 0; k < rows.columns.size(); ++k)
        marks.append(QStringLiteral("?"));
    if (const Result<> prepared = CheckedQuery::prepare(
            query, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, rows.columns.join(QLatin1String(", ")), marks.join(QLatin1String(", "))));
        !prepared)
        return prepared;
    for (const QVariantList &values : rows.rows) {
        if (const Result<> done = CheckedQuery::execPrepared(query, values); !done)
            return done;
    }
    return {};
}

Result<int> countRows(const RecordStore &store, const QStringList &tables)
{
    const QString what = QStringLiteral("The rows of the target cannot be counted.");
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    int total = 0;
    for (const QString &table : tables) {
        QSqlQuery query(session.db());
        if (const Result<> done =
                CheckedQuery::exec(query, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));
            !done)
            return fail(store, what, done.error());
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return fail(store, what, row.error());
        total += query.value(0).toInt();
    }
    return total;
}

Result<RecordStoreCopy::Counts> copy(const RecordStore &from, const RecordStore &to, bool everything)
{
    const QString cannotRead = QStringLiteral("The records to copy cannot be read.");
    const QString cannotWrite = QStringLiteral("The records cannot be copied.");
    QList<PresetRecord> records;
    QList<QVariantList> options;
    QList<TableRows> kept;
    {
        RecordStoreSession source(from);
        if (!source.isOpen())
            return Failure{source.error()};
        RecordTable table(source.db());
        Result<QList<PresetRecord>> all = table.all();
        if (!all)
            return fail(from, cannotRead, all.error());
        records = *all;
        Result<QList<QVariantList>> set = readOptions(source.db());
        if (!set)
            return fail(from, cannotRead, set.error());
        options = *set;
        if (everything) {
            const Result<QList<QStringList>> columns = schemaColumns();
            if (!columns)
                return fail(from, cannotRead, columns.error());
            for (qsizetype k = 0; k < columns->size(); ++k) {
                Result<TableRows> rows = readTable(source.db(), QLatin1String(KeptTables[k]), columns->at(k));
                if (!rows)
                    return fail(from, cannotRead, rows.error());
                kept.append(*rows);
            }
        }
    }

    RecordStoreSession target(to);
    if (!target.isOpen())
        return Failure{target.error()};
    if (const Result<> begun = target.beginWrite(); !begun)
        return fail(to, cannotWrite, begun.error());
    {
        QSqlQuery query(target.db());
        for (const char *statement : {"DELETE FROM T_Record", "DELETE FROM T_set"}) {
            if (const Result<> done = CheckedQuery::exec(query, QLatin1String(statement)); !done)
                return fail(to, cannotWrite, done.error());
        }
        RecordTable table(target.db());
        for (const PresetRecord &record : std::as_const(records)) {
            if (const Result<> done = table.insertWithId(record); !done)
                return fail(to, cannotWrite, done.error());
        }
        for (const QVariantList &values : std::as_const(options)) {
            if (const Result<> done = CheckedQuery::exec(
                    query, QStringLiteral("INSERT INTO T_set (%1) VALUES (?, ?, ?, ?, ?, ?)").arg(SetColumns),
                    values);
                !done)
                return fail(to, cannotWrite, done.error());
        }
        for (qsizetype k = 0; k < kept.size(); ++k) {
            if (const Result<> done = writeTable(target.db(), QLatin1String(KeptTables[k]), kept.at(k));
                !done)
                return fail(to, cannotWrite, done.error());
        }
        // A server hands out IDs from a sequence that explicit IDs do not
        // move; SQLite's AUTOINCREMENT follows them by itself.
        if (SqlEngine::isPostgres(target.db())) {
            if (const Result<> done = CheckedQuery::exec(
                    query, QStringLiteral("SELECT setval(pg_get_serial_sequence('t_record', 'id'), "
                                          "COALESCE(MAX(ID), 0) + 1, false) FROM T_Record"));
                !done)
                return fail(to, cannotWrite, done.error());
        }
    }
    if (const Result<> committed = target.commit(); !committed)
        return fail(to, cannotWrite, committed.error());
    RecordStoreCopy::Counts counts;
    counts.records = int(records.size());
    if (everything) {
        counts.history = int(kept.at(0).rows.size());
        counts.changes = int(kept.at(1).rows.size());
        counts.acknowledgements = int(kept.at(2).rows.size());
    }
    return counts;
}

} // namespace

namespace RecordStoreCopy {

Result<int> recordCount(const RecordStore &store)
{
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    QSqlQuery query(session.db());
    if (const Result<> done = CheckedQuery::exec(query, QStringLiteral("SELECT COUNT(*) FROM T_Record"));
        !done)
        return fail(store, QStringLiteral("The records cannot be counted."), done.error());
    const Result<bool> row = CheckedQuery::next(query);
    if (!row)
        return fail(store, QStringLiteral("The records cannot be counted."), row.error());
    return query.value(0).toInt();
}

Result<int> keptRowCount(const RecordStore &store)
{
    QStringList tables;
    for (const char *name : KeptTables)
        tables.append(QLatin1String(name));
    return countRows(store, tables);
}

Result<int> replaceAll(const RecordStore &from, const RecordStore &to)
{
    const Result<Counts> copied = copy(from, to, false);
    if (!copied)
        return Failure{copied.error()};
    return copied->records;
}

Result<Counts> copyEverything(const RecordStore &from, const RecordStore &to)
{
    return copy(from, to, true);
}

} // namespace RecordStoreCopy
