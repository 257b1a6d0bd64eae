#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include "platform/Result.h"

// The tables of the record store and the ordered migrations that build them,
// on either engine: a migration is a list of portable statements, or, only
// where the engines have no common form, one list for each.
//
// PRAGMA user_version holds how many migrations a file has had; on a
// PostgreSQL server the one row of T_SchemaVersion holds it. Version 0 is
// a file that does not know versions: a new (zero-byte) or table-less file, or
// one made before versions with T_Record and T_set. Migration k takes a file
// from version k - 1 to k; a change of the schema is a new migration appended
// to the table in RecordSchema.cpp, never an edit of an old one.
namespace RecordSchema {

// The version this program writes and reads.
int currentVersion();

// The version of the database that query runs on (0 when unset).
Result<int> readVersion(QSqlQuery &query);
// The names of the database's own tables (SQLite's internal ones left out;
// on a server those of the current schema, in the server's lower case).
Result<QStringList> tableNames(QSqlQuery &query);

// Brings the database on db to currentVersion(). Safe against other
// processes opening the same file at the same moment: the version is read
// again and the migrations run inside one write transaction (BEGIN
// IMMEDIATE), so exactly one of them migrates and the others find the work
// done. On a server the same holds through one transaction and an advisory
// lock. A file of another program (tables, but no T_Record) or of a newer
// version is refused and left untouched. On failure nothing has changed and
// the message is the cause in the database's or the program's words.
Result<> migrate(QSqlDatabase &db);

} // namespace RecordSchema
