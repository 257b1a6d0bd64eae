#pragma once

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

// The two engines a record store runs on. Statements are portable SQL except
// where an engine has no common form; such places ask here which engine a
// connection or query runs on.
namespace SqlEngine {

inline bool isPostgres(const QSqlDriver *driver)
{
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL;
}
inline bool isPostgres(const QSqlDatabase &db)
{
    return isPostgres(db.driver());
}
inline bool isPostgres(const QSqlQuery &query)
{
    return isPostgres(query.driver());
}

} // namespace SqlEngine
