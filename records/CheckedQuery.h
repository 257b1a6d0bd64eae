#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "platform/Result.h"

#include <utility>

// Statements run with every step checked. A statement that cannot be
// prepared (a locked, damaged or foreign file, a missing table) fails with
// the database's own words, never with a follow-up error of the binding such
// as "Parameter count mismatch". Failures carry the driver's text only; the
// caller says what could not be done.
namespace CheckedQuery {

Result<> prepare(QSqlQuery &query, const QString &statement);
// Binds values by position to a prepared statement and executes it.
Result<> execPrepared(QSqlQuery &query, const QVariantList &values = {});
// Prepares, binds and executes in one step; a statement without values is
// executed directly.
Result<> exec(QSqlQuery &query, const QString &statement, const QVariantList &values = {});
// Steps to the next row. false at the end; a failed step is a failure.
Result<bool> next(QSqlQuery &query);

// Hands every row of an executed statement to take(const QSqlQuery &), then
// finishes the statement so that it can run again.
template <typename Take>
Result<> eachRow(QSqlQuery &query, Take take)
{
    for (;;) {
        const Result<bool> row = next(query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        take(std::as_const(query));
    }
    query.finish();
    return {};
}

// exec() on a forward-only query of the connection, then eachRow().
template <typename Take>
Result<> eachRow(QSqlDatabase &db, const QString &statement, const QVariantList &values, Take take)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (const Result<> done = exec(query, statement, values); !done)
        return done;
    return eachRow(query, take);
}

} // namespace CheckedQuery
