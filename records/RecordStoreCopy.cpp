#include "RecordStoreCopy.h"

#include "CheckedQuery.h"
#include "RecordStoreSession.h"
#include "RecordTable.h"
#include "SqlEngine.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const QString SetColumns = QStringLiteral("check1, check2, check3, check4, check5, mins");

Failure fail(const RecordStore &store, const QString &what, const QString &detail)
{
    return Failure{QStringLiteral("%1 (%2)\r\n%3").arg(what, store.location(), detail)};
}

// The rows of T_set, each its six values.
Result<QList<QVariantList>> readOptions(QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (const Result<> done =
            CheckedQuery::exec(query, QStringLiteral("SELECT %1 FROM T_set").arg(SetColumns));
        !done)
        return Failure{done.error()};
    QList<QVariantList> rows;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        QVariantList values;
        for (int k = 0; k < 6; ++k)
            values.append(query.value(k));
        rows.append(values);
    }
    return rows;
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

Result<int> replaceAll(const RecordStore &from, const RecordStore &to)
{
    const QString cannotRead = QStringLiteral("The records to copy cannot be read.");
    const QString cannotWrite = QStringLiteral("The records cannot be copied.");
    QList<PresetRecord> records;
    QList<QVariantList> options;
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
    return int(records.size());
}

} // namespace RecordStoreCopy
