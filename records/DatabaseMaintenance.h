#pragma once

#include "DatabaseUrl.h"
#include "Result.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

// Backup, recovery and compaction of the record database as a whole file.
// Each works on its own connections and closes them before it returns; the
// store keeps none open between operations, so nothing else holds the file.
//
// The database file is only ever replaced by a rename of a complete file in
// the same folder, so the folder always holds a whole database: the old one
// until the rename, the new one after it. Every file these make is readable
// by its owner only.
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
    // Replaces the database with the file, after checking that the file is a
    // record database (T_Record and T_set, a version this program reads). A
    // file that is not one is refused and nothing changes.
    Result<> recover(const QString &file) const;
    // Rebuilds the database into the scratch file (a leftover one is removed
    // first) and renames it over the database. On a failure the database
    // stays as it was and the scratch file is gone.
    Result<> compact() const;

    // Runs just before the database is replaced (recovery and compaction); a
    // failure it returns fails the operation there. For tests of that moment.
    void setBeforeReplace(std::function<Result<>()> hook) { m_beforeReplace = std::move(hook); }

private:
    Result<> replaceDatabase(const QString &completeFile) const;

    QString m_folder;
    QString m_databasePath;
    std::optional<DatabaseUrl> m_server;
    std::function<Result<>()> m_beforeReplace;
};
