#pragma once

#include "platform/Result.h"
#include "records/DatabaseUrl.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <optional>

class ScratchFile;

// Backup, recovery and compaction of the record database as a whole file.
// Each works on its own connections and closes them before it returns.
//
// Other processes (the window, netkestrel-cli, a watcher) may open and write
// the database at any moment, so the file itself is never replaced: a writer
// that still held a replaced file would commit into a file that is no longer
// the store, and its journal could be rolled back into the new one. Recovery
// copies the backup's pages into the database through SQLite's online backup
// and compaction is SQLite's VACUUM; both run as one write transaction that
// holds the exclusive lock from its start to its end, so other writers wait
// for it (or fail with "database is locked") and a crash leaves the database
// as it was. Before either, the database is read once, which rolls back
// what a killed writer left in its journal; after either, PRAGMA quick_check
// must pass before it is reported done.
//
// Whole files that are built (a backup, the checked copy of a file to
// recover from) are written to scratch files beside the database
// (ScratchFile); every run first removes those that killed runs left.
// Every file these make is readable by its owner only.
//
// With the store on a PostgreSQL server, a backup is a database file in the
// same format written from the server's records and options, recovery loads
// such a file into the server in one transaction (all or nothing), and
// compaction is the server's VACUUM ANALYZE.
//
// Questions and messages are the front ends' business:
// the texts they show are here so that both show the same words.
class DatabaseMaintenance
{
public:
    static constexpr const char *BackupSuffix = "_Backup.KSBK";
    static constexpr const char *ScratchFileName = "NewDB.mdb";
    static constexpr const char *BackupDoneText = "Database is successfully backup to:";
    static constexpr const char *RecoveryDialogTitle = "Recovery is running ...";
    static constexpr const char *RecoveryFilter = "Backup (*.KSBK)|*.KSBK";
    static constexpr const char *RecoveryQuestionText =
        "Recovery will take place the current data, continue??";
    static constexpr const char *RecoveryDoneText = "Complete Database Recovery!";
    static constexpr const char *CompactDoneText = "Successfully compress database!";

    explicit DatabaseMaintenance(const QString &dataFolder, std::optional<DatabaseUrl> server = std::nullopt);

    // "yyyy-mm-dd_hh-mm-ss_Backup.KSBK" for the given moment (hours 00 to 23).
    static QString backupFileName(const QDateTime &when);
    QString scratchPath() const;

    // A consistent copy of the database (brought up to date first) in the data
    // folder, named for the moment given; a backup of the same second is
    // replaced. Returns the backup's full path.
    Result<QString> backup(const QDateTime &when) const;
    // Replaces the content of the database with the file's, after checking
    // that the file is a sound record database (T_Record and T_set, a
    // version this program reads). A file that is not one is refused and
    // nothing changes. A database file that is no SQLite database at all,
    // which no process can be writing, is replaced by a rename instead.
    Result<> recover(const QString &file) const;
    // Rebuilds the database in place (a leftover scratch file of the name
    // above, from older versions, is removed first). A damaged database is
    // refused; on a failure the database stays as it was.
    Result<> compact() const;

    // Runs just before the database's content is replaced (recovery and
    // compaction); a failure it returns fails the operation there. For tests
    // of that moment.
    void setBeforeReplace(std::function<Result<>()> hook) { m_beforeReplace = std::move(hook); }

private:
    // Copies the complete database, the scratch file open on the
    // connection, over the store's.
    Result<> replaceDatabase(ScratchFile &completeFile, QSqlDatabase &complete) const;
    Result<> ensureDatabaseFile() const;

    QString m_folder;
    QString m_databasePath;
    std::optional<DatabaseUrl> m_server;
    std::function<Result<>()> m_beforeReplace;
};
