#pragma once

#include "lists/PresetRecord.h"
#include "platform/Result.h"
#include "records/DatabaseUrl.h"
#include "records/RecordBatch.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// The record database: table T_Record (the preset records) and T_set (the
// analysis options) in the SQLite file kestrel.mdb of the data folder. A
// missing, zero-byte or table-less file gets the tables; an older file is
// migrated (RecordSchema). A file is never deleted, also not on an error. The
// folder and the file it makes are readable by their owner only.
//
// Every operation opens a connection of its own (RecordStoreSession) and
// removes it before it returns, so nothing stays open between user actions
// and an operation started while another runs cannot disturb it. Values are
// always bound as parameters. Operations that write take the write lock at
// once (BEGIN IMMEDIATE) and check what they depend on inside that
// transaction, so the duplicate rules hold when several processes write at
// the same moment. A store that another process keeps locked past a short
// wait fails with "database is locked" in the message.
//
// The same store can live on a PostgreSQL server instead (a DatabaseUrl),
// opened through Qt's QPSQL driver, with the same tables and migrations;
// there the write transactions lock T_Record against other writers for the
// same purpose, and a lock held past a short wait fails with the server's
// "lock timeout" in the message.
//
// Failures are Results (see Result.h) whose message names what could not be
// done, the file, and the cause; nothing has changed then.
// Not thread-safe: use one store per thread.
class RecordStore
{
public:
    static constexpr const char *DatabaseFileName = "kestrel.mdb";

    // Why writeUnlessTaken wrote nothing.
    enum class Refusal {
        None,
        IpTaken,
        MacTaken,
        Gone,   // the record to update is no longer there
        Changed // another saved the record after it was loaded
    };
    struct WriteOutcome
    {
        Refusal refusal = Refusal::None;
        // As stored, read back, when refusal is None; as another left it when
        // Changed.
        PresetRecord record;
    };
    // What deleteUnlessChanged did: how many records went, or, when any of
    // them had changed since it was loaded, none, and those records as they
    // are now.
    struct DeleteOutcome
    {
        int deleted = 0;
        QList<PresetRecord> changed;
    };

    explicit RecordStore(const QString &dataFolder, std::optional<DatabaseUrl> server = std::nullopt);
    // A store on a database file of any name (a backup, a copy's target).
    static RecordStore onFile(const QString &path);

    // The folder gets a separator appended unless it already ends in one.
    static QString databasePath(const QString &dataFolder);
    QString databasePath() const { return m_databasePath; }
    // The server the store is on; nothing for the file in the data folder.
    const std::optional<DatabaseUrl> &server() const { return m_server; }
    // The file's path or the server's URL, as messages name the store.
    QString location() const;

    // A connection of its own, opened, with the schema brought up to date.
    // Pair every success with CloseRecordStore, after every copy of the
    // connection and every query on it is gone.
    Result<QSqlDatabase> OpenRecordStore() const;
    static void CloseRecordStore(QSqlDatabase &db);
    // Opens and closes once: a new data folder gets its database and tables.
    Result<> prepare() const;

    // All records in the order of their IDs.
    Result<QList<PresetRecord>> loadAll() const;
    // Nothing: the ID is not in the table.
    Result<std::optional<PresetRecord>> recordById(qint64 id) const;
    // Whether another record than exceptId holds the IP (MAC) address,
    // compared without regard to case. exceptId 0 excludes nothing.
    Result<bool> isIpTaken(const QString &ip, qint64 exceptId) const;
    Result<bool> isMacTaken(const QString &mac, qint64 exceptId) const;
    // Inserts the record; returns it with its new ID.
    Result<PresetRecord> insertRecord(const PresetRecord &record) const;
    // Writes fields 1 to 9 of record.id; returns the row read back, or
    // nothing (and writes nothing) when the ID is not there.
    Result<std::optional<PresetRecord>> updateRecord(const PresetRecord &record) const;
    // Inserts (id 0) or updates (id > 0) the record unless, in the same
    // transaction, the record to update is gone or another record holds the
    // IP (when probeIp) or the MAC (when probeMac); the IP is probed first.
    // Given the record as it was loaded (the editor's), an update is also
    // refused (Changed) when the stored fields differ from it by now, so that
    // two users who edit the same record at once never overwrite each other
    // unseen; that is checked before the probes.
    Result<WriteOutcome> writeUnlessTaken(const PresetRecord &record, bool probeIp, bool probeMac,
                                          const std::optional<PresetRecord> &loaded = std::nullopt) const;
    // Deletes the given IDs in one transaction, skipping those that are gone;
    // returns how many went.
    Result<int> deleteRecords(const QList<qint64> &ids) const;
    // Deletes the records (by their IDs) in one transaction unless one of
    // them has fields other than those given, as they were loaded: then
    // nothing is deleted. Those that are gone are skipped.
    Result<DeleteOutcome> deleteUnlessChanged(const QList<PresetRecord> &loaded) const;
    // Writes the items in order in one transaction: all of them or, on a
    // failure, none. On a server, a few statements write the whole batch
    // (ServerBatchWrite) with the same outcome.
    Result<BatchOutcome> writeBatch(const QList<BatchItem> &items) const;

private:
    Failure fail(const QString &what, const QString &detail) const;

    QString m_databasePath;
    std::optional<DatabaseUrl> m_server;
};
