#include "records/DatabaseMaintenance.h"

#include "records/CheckedQuery.h"
#include "records/RecordSchema.h"
#include "records/RecordStore.h"
#include "records/RecordStoreCopy.h"
#include "records/RecordStoreSession.h"
#include "records/ScratchFile.h"
#include "records/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <filesystem>
#include <system_error>

namespace {

const QString CannotBackUp = QStringLiteral("The database cannot be backed up.");
const QString CannotRecover = QStringLiteral("The database cannot be recovered.");
const QString CannotCompact = QStringLiteral("The database cannot be compacted.");
const QString NotRecordDatabase = QStringLiteral("The file is not a record database of Netkestrel.");

Failure fail(const QString &what, const QString &file, const QString &detail)
{
    return Failure{QStringLiteral("%1 (%2)\r\n%3").arg(what, QDir::toNativeSeparators(file), detail)};
}

QString connectionName()
{
    static std::atomic<quint64> next{0};
    return QStringLiteral("netkestrel-maintenance-%1").arg(++next);
}

// How long maintenance waits for a writer of another process to finish
// (an import can take a while) before it gives up with "database is locked".
constexpr int MaintenanceBusyTimeoutMs = 10000;

// A connection of its own to a file that is not (yet) known to be a record
// database, past the store's migrations; removed when it goes out of scope.
// Declare it before any query on it.
class ForeignConnection
{
public:
    enum class Access { ReadOnly, ReadWrite };

    ForeignConnection(const QString &path, Access access)
        : m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName()))
    {
        m_db.setDatabaseName(path);
        m_db.setConnectOptions(
            QStringLiteral("%1QSQLITE_BUSY_TIMEOUT=%2")
                .arg(access == Access::ReadOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;") : QString())
                .arg(MaintenanceBusyTimeoutMs));
        if (!m_db.open())
            m_error = m_db.lastError().text().trimmed();
    }
    ~ForeignConnection() { RecordStore::CloseRecordStore(m_db); }
    ForeignConnection(const ForeignConnection &) = delete;
    ForeignConnection &operator=(const ForeignConnection &) = delete;

    bool isOpen() const { return m_db.isOpen(); }
    const QString &error() const { return m_error; }
    QSqlDatabase &db() { return m_db; }

private:
    QSqlDatabase m_db;
    QString m_error;
};

// A database that the program can take as its own: T_Record and T_set, and
// a version it reads. SQLite opens any file lazily, so a file that is no
// database at all fails at the first query with SQLite's own words.
Result<> checkRecordDatabase(QSqlDatabase &db)
{
    QSqlQuery query(db);
    const Result<QStringList> tables = RecordSchema::tableNames(query);
    if (!tables)
        return Failure{tables.error()};
    if (!tables->contains(QStringLiteral("T_Record"), Qt::CaseInsensitive) ||
        !tables->contains(QStringLiteral("T_set"), Qt::CaseInsensitive))
        return Failure{QStringLiteral("It has no tables T_Record and T_set.")};
    const Result<int> version = RecordSchema::readVersion(query);
    if (!version)
        return Failure{version.error()};
    if (*version > RecordSchema::currentVersion())
        return Failure{QStringLiteral("It was made by a newer version of Netkestrel (database version %1).")
                           .arg(*version)};
    return {};
}

// A consistent copy of db's database into target, an empty file that the
// caller made (SQLite writes into an empty file and keeps its permissions).
Result<> vacuumInto(QSqlDatabase &db, const QString &target)
{
    QSqlQuery query(db);
    return CheckedQuery::exec(query, QStringLiteral("VACUUM INTO ?"), {target});
}

// False when the file is no SQLite database at all (SQLITE_NOTADB).
Result<bool> isReadableDatabase(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")))
        return true;
    if (query.lastError().nativeErrorCode() == QLatin1String("26"))
        return false;
    return Failure{query.lastError().text().trimmed()};
}

// PRAGMA takes no bound values.
Result<> setBusyTimeout(QSqlDatabase &db)
{
    QSqlQuery query(db);
    return CheckedQuery::exec(query,
                              QStringLiteral("PRAGMA busy_timeout = %1").arg(MaintenanceBusyTimeoutMs));
}

Result<> renameOver(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(),
                            error);
    if (error)
        return Failure{QString::fromLocal8Bit(error.message())};
    return {};
}

} // namespace

DatabaseMaintenance::DatabaseMaintenance(const QString &dataFolder, std::optional<DatabaseUrl> server)
    : m_folder(QFileInfo(RecordStore::databasePath(dataFolder)).absolutePath()),
      m_databasePath(RecordStore::databasePath(dataFolder)),
      m_server(std::move(server))
{
}

QString DatabaseMaintenance::backupFileName(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QLatin1String(BackupSuffix);
}

QString DatabaseMaintenance::scratchPath() const
{
    return QDir(m_folder).filePath(QLatin1String(ScratchFileName));
}

Result<QString> DatabaseMaintenance::backup(const QDateTime &when) const
{
    ScratchFile::removeLeftovers(m_folder);
    const QString backupPath = QDir(m_folder).filePath(backupFileName(when));
    if (m_server) {
        ScratchFile copy(m_folder);
        const Result<QString> copyPath = copy.create();
        if (!copyPath)
            return fail(CannotBackUp, backupPath, copyPath.error());
        if (const Result<int> copied =
                RecordStoreCopy::replaceAll(RecordStore(m_folder, m_server), RecordStore::onFile(*copyPath));
            !copied)
            return fail(CannotBackUp, backupPath, copied.error());
        if (const Result<> renamed = renameOver(*copyPath, backupPath); !renamed)
            return fail(CannotBackUp, backupPath, renamed.error());
        copy.keep();
        return backupPath;
    }
    // Written beside and renamed, so that a backup of the same second is
    // replaced whole and a failed one leaves no half file under the name.
    ScratchFile copy(m_folder);
    const Result<QString> copyPath = copy.create();
    if (!copyPath)
        return fail(CannotBackUp, backupPath, copyPath.error());
    {
        const RecordStore store(m_folder);
        RecordStoreSession session(store);
        if (!session.isOpen())
            return Failure{session.error()};
        if (const Result<> copied = vacuumInto(session.db(), *copyPath); !copied)
            return fail(CannotBackUp, backupPath, copied.error());
    }
    if (const Result<> renamed = renameOver(*copyPath, backupPath); !renamed)
        return fail(CannotBackUp, backupPath, renamed.error());
    copy.keep();
    return backupPath;
}

Result<> DatabaseMaintenance::recover(const QString &file) const
{
    ScratchFile::removeLeftovers(m_folder);
    if (!QFileInfo(file).isFile())
        return fail(CannotRecover, file, QStringLiteral("The file does not exist."));
    // The chosen file is only read: a copy of it is checked, brought up to
    // date and copied from.
    ScratchFile copy(m_folder);
    const Result<QString> copyPath = copy.create();
    if (!copyPath)
        return fail(CannotRecover, file, copyPath.error());
    {
        ForeignConnection source(file, ForeignConnection::Access::ReadOnly);
        if (!source.isOpen())
            return fail(NotRecordDatabase, file, source.error());
        if (const Result<> checked = checkRecordDatabase(source.db()); !checked)
            return fail(NotRecordDatabase, file, checked.error());
        if (const Result<> copied = vacuumInto(source.db(), *copyPath); !copied)
            return fail(CannotRecover, file, copied.error());
    }
    const RecordStore backup = RecordStore::onFile(*copyPath);
    if (m_server) {
        if (m_beforeReplace) {
            if (const Result<> allowed = m_beforeReplace(); !allowed)
                return fail(CannotRecover, file, allowed.error());
        }
        if (const Result<int> copied = RecordStoreCopy::replaceAll(backup, RecordStore(m_folder, m_server));
            !copied)
            return fail(CannotRecover, file, copied.error());
        return {};
    }
    RecordStoreSession from(backup);
    if (!from.isOpen())
        return fail(NotRecordDatabase, file, from.error());
    if (const Result<> sound = SqliteFile::quickCheck(from.db()); !sound)
        return fail(NotRecordDatabase, file, sound.error());
    if (const Result<> replaced = replaceDatabase(copy, from.db()); !replaced)
        return fail(CannotRecover, file, replaced.error());
    return {};
}

Result<> DatabaseMaintenance::compact() const
{
    if (m_server) {
        const RecordStore store(m_folder, m_server);
        RecordStoreSession session(store);
        if (!session.isOpen())
            return Failure{session.error()};
        QSqlQuery query(session.db());
        // Outside a transaction, as VACUUM must be.
        if (const Result<> done = CheckedQuery::exec(query, QStringLiteral("VACUUM ANALYZE")); !done)
            return Failure{
                QStringLiteral("%1 (%2)\r\n%3").arg(CannotCompact, store.location(), done.error())};
        return {};
    }
    ScratchFile::removeLeftovers(m_folder);
    const QString scratch = scratchPath();
    // Left by an older version that compacted through it.
    if (QFileInfo::exists(scratch) && !QFile::remove(scratch))
        return fail(CannotCompact, scratch, QStringLiteral("The old scratch file cannot be removed."));
    // Opening reads the database, which rolls back what a writer that was
    // killed left in its journal, before anything is checked or rebuilt.
    const RecordStore store(m_folder);
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> waiting = setBusyTimeout(session.db()); !waiting)
        return fail(CannotCompact, m_databasePath, waiting.error());
    if (const Result<> sound = SqliteFile::quickCheck(session.db()); !sound)
        return fail(CannotCompact, m_databasePath, sound.error());
    if (m_beforeReplace) {
        if (const Result<> allowed = m_beforeReplace(); !allowed)
            return fail(CannotCompact, m_databasePath, allowed.error());
    }
    // SQLite rebuilds the file in place under the exclusive lock, which it
    // takes at the start and holds to the end, through its journal: other
    // writers wait for it, and a crash leaves the database as it was.
    QSqlQuery query(session.db());
    if (const Result<> done = CheckedQuery::exec(query, QStringLiteral("VACUUM")); !done)
        return fail(CannotCompact, m_databasePath, done.error());
    query.finish();
    if (const Result<> sound = SqliteFile::quickCheck(session.db()); !sound)
        return fail(CannotCompact, m_databasePath, sound.error());
    return {};
}

Result<> DatabaseMaintenance::replaceDatabase(ScratchFile &completeFile, QSqlDatabase &complete) const
{
    if (const Result<> made = ensureDatabaseFile(); !made)
        return made;
    ForeignConnection live(m_databasePath, ForeignConnection::Access::ReadWrite);
    if (!live.isOpen())
        return Failure{live.error()};
    // The first read rolls back what a writer that was killed left in the
    // journal, so that it can never be rolled back into the new content.
    const Result<bool> readable = isReadableDatabase(live.db());
    if (!readable)
        return Failure{readable.error()};
    if (m_beforeReplace) {
        if (const Result<> allowed = m_beforeReplace(); !allowed)
            return allowed;
    }
    if (!*readable) {
        // No process can write into a file that is no database at all (its
        // first read fails), so it is replaced whole; a journal beside it
        // belongs to no database and would be rolled back into the new one.
        QFile::remove(m_databasePath + QLatin1String("-journal"));
        if (const Result<> renamed = renameOver(completeFile.path(), m_databasePath); !renamed)
            return renamed;
        completeFile.keep();
        return {};
    }
    if (const Result<> copied = SqliteFile::copyPages(complete, live.db()); !copied)
        return copied;
    return SqliteFile::quickCheck(live.db());
}

Result<> DatabaseMaintenance::ensureDatabaseFile() const
{
    if (QFileInfo::exists(m_databasePath))
        return {};
    // Made here so that it is readable by its owner only; SQLite takes a
    // zero-byte file for an empty database.
    QFile file(m_databasePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        !QFileInfo::exists(m_databasePath))
        return Failure{file.errorString()};
    return {};
}
