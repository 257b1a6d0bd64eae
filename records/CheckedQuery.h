#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "Result.h"

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

} // namespace CheckedQuery
