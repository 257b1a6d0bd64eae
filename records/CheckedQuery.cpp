#include "records/CheckedQuery.h"

#include <QSqlError>

namespace CheckedQuery {

namespace {

Failure failure(const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    return Failure{error.isValid() ? error.text().trimmed() : QStringLiteral("The statement failed.")};
}

} // namespace

Result<> prepare(QSqlQuery &query, const QString &statement)
{
    if (!query.prepare(statement))
        return failure(query);
    return {};
}

Result<> execPrepared(QSqlQuery &query, const QVariantList &values)
{
    for (qsizetype k = 0; k < values.size(); ++k)
        query.bindValue(int(k), values.at(k));
    if (!query.exec())
        return failure(query);
    return {};
}

Result<> exec(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    // Without values the statement runs as it is: a PostgreSQL server cannot
    // prepare transaction control (BEGIN, COMMIT), SET or LOCK.
    if (values.isEmpty()) {
        if (!query.exec(statement))
            return failure(query);
        return {};
    }
    if (const Result<> prepared = prepare(query, statement); !prepared)
        return prepared;
    return execPrepared(query, values);
}

Result<bool> next(QSqlQuery &query)
{
    if (query.next())
        return true;
    if (query.lastError().isValid())
        return failure(query);
    return false;
}

} // namespace CheckedQuery
