#include "records/SqliteFile.h"

#include "records/CheckedQuery.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <sqlite3.h>

namespace {

// The driver's own handle; Qt's SQLite driver and this program use the same
// system library, so the handle is valid here.
sqlite3 *handleOf(QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace

namespace SqliteFile {

Result<> copyPages(QSqlDatabase &from, QSqlDatabase &to)
{
    sqlite3 *source = handleOf(from);
    sqlite3 *target = handleOf(to);
    if (!source || !target)
        return Failure{QStringLiteral("The connection is not one to an SQLite file.")};
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup)
        return Failure{QString::fromUtf8(sqlite3_errmsg(target))};
    // All pages in one step: the lock on the target is held from the first
    // page to the last, so no writer commits between them.
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        return Failure{QString::fromUtf8(sqlite3_errstr(stepped))};
    if (finished != SQLITE_OK)
        return Failure{QString::fromUtf8(sqlite3_errmsg(target))};
    return {};
}

Result<> quickCheck(QSqlDatabase &db)
{
    QStringList found;
    const Result<> read =
        CheckedQuery::eachRow(db, QStringLiteral("PRAGMA quick_check(10)"), {},
                              [&found](const QSqlQuery &row) { found.append(row.value(0).toString()); });
    if (!read)
        return read;
    if (found != QStringList{QStringLiteral("ok")})
        return Failure{QStringLiteral("The database is damaged: %1").arg(found.join(QLatin1String("; ")))};
    return {};
}

} // namespace SqliteFile
