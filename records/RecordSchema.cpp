#include "RecordSchema.h"

#include "CheckedQuery.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <span>

namespace {

// Version 1: the two tables as the program has always made them (a file made
// before versions has them already), and the indexes of the duplicate
// probes. The text columns compared for duplicates ignore case, as the
// duplicate rules expect, and so do their indexes, which the probes' own
// COLLATE NOCASE uses also in a file whose columns lack the collation.
// AUTOINCREMENT keeps deleted IDs from being handed out again.
const char *const Version1[] = {
    "CREATE TABLE IF NOT EXISTS T_Record ("
    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "IPAddress TEXT COLLATE NOCASE, "
    "MACAddress TEXT COLLATE NOCASE, "
    "HostName TEXT, Workgroup TEXT, User TEXT, Department TEXT, Location TEXT, "
    "laninterface TEXT, Comments TEXT)",
    "CREATE TABLE IF NOT EXISTS T_set (check1 SMALLINT, check2 SMALLINT, check3 SMALLINT, check4 SMALLINT, "
    "check5 SMALLINT, mins SMALLINT)",
    "CREATE INDEX IF NOT EXISTS T_Record_IPAddress ON T_Record (IPAddress COLLATE NOCASE)",
    "CREATE INDEX IF NOT EXISTS T_Record_MACAddress ON T_Record (MACAddress COLLATE NOCASE)",
};

// The host history: one row per IP/MAC pair ever seen by a completed scan,
// and the change events the scans gave. Times are ISO 8601 UTC text, so that
// their text order is their time order. The primary keys are natural ones;
// an event is one kind for one pair at one scan's time.
const char *const HostHistory[] = {
    "CREATE TABLE IF NOT EXISTS T_History ("
    "IPAddress TEXT NOT NULL, MACAddress TEXT NOT NULL, FirstSeen TEXT NOT NULL, LastSeen TEXT NOT NULL, "
    "ScanCount INTEGER NOT NULL, HostName TEXT, Workgroup TEXT, Vendor TEXT, "
    "PRIMARY KEY (IPAddress, MACAddress))",
    "CREATE INDEX IF NOT EXISTS T_History_MACAddress ON T_History (MACAddress)",
    "CREATE TABLE IF NOT EXISTS T_Change ("
    "EventTime TEXT NOT NULL, Kind TEXT NOT NULL, IPAddress TEXT NOT NULL, MACAddress TEXT NOT NULL, "
    "OtherMAC TEXT, OtherTime TEXT, HostName TEXT, "
    "PRIMARY KEY (EventTime, Kind, IPAddress, MACAddress))",
};

// The acknowledged findings: one row per IP and MAC address pair, both in
// the normal forms of AcknowledgedSet, so plain equality finds them. Times
// are ISO 8601 UTC text; ExpiresAt NULL holds for ever.
const char *const Acknowledgements[] = {
    "CREATE TABLE IF NOT EXISTS T_Acknowledgement ("
    "IPAddress TEXT NOT NULL, MACAddress TEXT NOT NULL, Note TEXT, AckBy TEXT, AckedAt TEXT, ExpiresAt TEXT, "
    "PRIMARY KEY (IPAddress, MACAddress))",
};

// Migration k (from 1) is Migrations[k - 1].
const std::span<const char *const> Migrations[] = {
    Version1,
    HostHistory,
    Acknowledgements,
};

// A file with tables of its own but no T_Record belongs to something else.
Result<bool> isForeign(QSqlQuery &query)
{
    const Result<QStringList> tables = RecordSchema::tableNames(query);
    if (!tables)
        return Failure{tables.error()};
    return !tables->isEmpty() && !tables->contains(QStringLiteral("T_Record"), Qt::CaseInsensitive);
}

QString newerText(int version)
{
    return QStringLiteral("The file was made by a newer version of Netkestrel (database version %1; this "
                          "version reads up to %2).")
        .arg(version)
        .arg(RecordSchema::currentVersion());
}

const QString ForeignText =
    QStringLiteral("The file is a database of another program: it has no table T_Record.");

Result<> migrateLocked(QSqlQuery &query)
{
    const Result<int> version = RecordSchema::readVersion(query);
    if (!version)
        return Failure{version.error()};
    if (*version == RecordSchema::currentVersion())
        return {}; // another process migrated while this one waited
    const Result<bool> foreign = isForeign(query);
    if (!foreign)
        return Failure{foreign.error()};
    if (*foreign)
        return Failure{ForeignText};
    if (*version > RecordSchema::currentVersion())
        return Failure{newerText(*version)};
    for (int next = *version + 1; next <= RecordSchema::currentVersion(); ++next) {
        for (const char *statement : Migrations[next - 1]) {
            if (const Result<> done = CheckedQuery::exec(query, QLatin1String(statement)); !done)
                return done;
        }
    }
    // PRAGMA takes no bound values.
    return CheckedQuery::exec(query,
                              QStringLiteral("PRAGMA user_version = %1").arg(RecordSchema::currentVersion()));
}

} // namespace

namespace RecordSchema {

Result<int> readVersion(QSqlQuery &query)
{
    if (const Result<> done = CheckedQuery::exec(query, QStringLiteral("PRAGMA user_version")); !done)
        return Failure{done.error()};
    const Result<bool> row = CheckedQuery::next(query);
    if (!row)
        return Failure{row.error()};
    const int version = *row ? query.value(0).toInt() : 0;
    query.finish();
    return version;
}

Result<QStringList> tableNames(QSqlQuery &query)
{
    if (const Result<> done = CheckedQuery::exec(
            query, QStringLiteral(
                       "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'"));
        !done)
        return Failure{done.error()};
    QStringList tables;
    for (;;) {
        const Result<bool> row = CheckedQuery::next(query);
        if (!row)
            return Failure{row.error()};
        if (!*row)
            break;
        tables.append(query.value(0).toString());
    }
    query.finish();
    return tables;
}

int currentVersion()
{
    return int(std::size(Migrations));
}

Result<> migrate(QSqlDatabase &db)
{
    QSqlQuery query(db);
    // Every open asks, so the common case takes no write lock.
    const Result<int> version = RecordSchema::readVersion(query);
    if (!version)
        return Failure{version.error()};
    if (*version == currentVersion())
        return {};
    if (*version > currentVersion()) {
        const Result<bool> foreign = isForeign(query);
        if (!foreign)
            return Failure{foreign.error()};
        return Failure{*foreign ? ForeignText : newerText(*version)};
    }

    // A rollback journal keeps the database one file, so a backup is a copy.
    // The journal mode cannot change inside a transaction.
    if (const Result<> done = CheckedQuery::exec(query, QStringLiteral("PRAGMA journal_mode=DELETE")); !done)
        return done;
    query.finish();
    if (const Result<> begun = CheckedQuery::exec(query, QStringLiteral("BEGIN IMMEDIATE")); !begun)
        return begun;
    Result<> migrated = migrateLocked(query);
    if (migrated)
        migrated = CheckedQuery::exec(query, QStringLiteral("COMMIT"));
    if (!migrated)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return migrated;
}

} // namespace RecordSchema
