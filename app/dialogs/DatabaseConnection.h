#pragma once

#include <QString>

#include <optional>

#include "platform/Result.h"
#include "records/DatabaseUrl.h"

// The window's "Database connection" setting: where its record store lives,
// the embedded file kestrel.mdb of the data folder (the default, an empty
// URL) or a database on a PostgreSQL server. Kept in the window's settings
// (section DATABASE); the password itself is never stored there, only the
// name of a file whose first line is the password (else libpq reads
// PGPASSFILE or ~/.pgpass). The same section keeps the window's site: the
// name its scans' history is tagged with in a store that watchers of other
// subnets share, and that its mailed report names.
struct DatabaseConnection
{
    static constexpr const char *Section = "DATABASE";

    QString url;          // empty: the embedded file
    QString passwordFile; // empty: libpq's own sources
    QString site;         // empty: the machine's host name, and the report names none

    bool isEmbedded() const { return url.trimmed().isEmpty(); }
    // The server the URL names, or nothing for the embedded file. A failure
    // is the URL's or the password file's, in words for the user.
    Result<std::optional<DatabaseUrl>> server() const;

    static DatabaseConnection load();
    void save() const;
};
