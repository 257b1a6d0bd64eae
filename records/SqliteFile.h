#pragma once

#include "platform/Result.h"

#include <QSqlDatabase>

// What maintenance of the store's SQLite file needs beyond plain statements.
// Failures carry SQLite's own words only; the caller says what could not be
// done.
namespace SqliteFile {

// Copies every page of from's database into to's, in place, through SQLite's
// online backup: to's file is never replaced, so a process that has it open
// goes on with the new content. The copy is one write transaction on to,
// under the exclusive lock, taken at the start and held to the end; other
// writers wait for it as long as their busy timeout, and a crash leaves to's
// database as it was. Both must be open SQLite connections without an open
// transaction.
Result<> copyPages(QSqlDatabase &from, QSqlDatabase &to);

// PRAGMA quick_check: "ok", or a failure with the first problems found.
Result<> quickCheck(QSqlDatabase &db);

} // namespace SqliteFile
