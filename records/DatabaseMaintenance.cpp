#include "DatabaseMaintenance.h"

#include "CheckedQuery.h"
#include "RecordSchema.h"
#include "RecordStore.h"
#include "RecordStoreCopy.h"
#include "RecordStoreSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
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

// A read-only connection of its own to a file that is not (yet) known to be
// a record database; removed when it goes out of scope. Declare it before
// any query on it.
class ForeignConnection
{
public:
    explicit ForeignConnection(const QString &path)
        : m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName()))
    {
        m_db.setDatabaseName(path);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
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

// An empty file in the folder, readable by its owner only, removed unless
// kept; it is renamed into place once it holds a whole database.
class TemporaryDatabase
{
public:
    explicit TemporaryDatabase(const QString &folder)
        : m_file(QDir(folder).filePath(QStringLiteral(".kestrel-XXXXXX.tmp")))
    {
    }
    Result<QString> create()
    {
        if (!m_file.open())
            return Failure{m_file.errorString()};
        m_file.close();
        return m_file.fileName();
    }
    void keep() { m_file.setAutoRemove(false); }

private:
    QTemporaryFile m_file;
};

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
    const QString backupPath = QDir(m_folder).filePath(backupFileName(when));
    if (m_server) {
        TemporaryDatabase copy(m_folder);
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
    const RecordStore store(m_folder);
    RecordStoreSession session(store);
    if (!session.isOpen())
        return Failure{session.error()};
    // Written beside and renamed, so that a backup of the same second is
    // replaced whole and a failed one leaves no half file under the name.
    TemporaryDatabase copy(m_folder);
    const Result<QString> copyPath = copy.create();
    if (!copyPath)
        return fail(CannotBackUp, backupPath, copyPath.error());
    if (const Result<> copied = vacuumInto(session.db(), *copyPath); !copied)
        return fail(CannotBackUp, backupPath, copied.error());
    if (const Result<> renamed = renameOver(*copyPath, backupPath); !renamed)
        return fail(CannotBackUp, backupPath, renamed.error());
    copy.keep();
    return backupPath;
}

Result<> DatabaseMaintenance::recover(const QString &file) const
{
    if (!QFileInfo(file).isFile())
        return fail(CannotRecover, file, QStringLiteral("The file does not exist."));
    TemporaryDatabase copy(m_folder);
    QString copyPath;
    {
        ForeignConnection source(file);
        if (!source.isOpen())
            return fail(NotRecordDatabase, file, source.error());
        if (const Result<> checked = checkRecordDatabase(source.db()); !checked)
            return fail(NotRecordDatabase, file, checked.error());
        const Result<QString> created = copy.create();
        if (!created)
            return fail(CannotRecover, file, created.error());
        copyPath = *created;
        if (const Result<> copied = vacuumInto(source.db(), copyPath); !copied)
            return fail(CannotRecover, file, copied.error());
    }
    if (m_server) {
        // The copy, not the file itself, is brought up to date and read.
        if (m_beforeReplace) {
            if (const Result<> allowed = m_beforeReplace(); !allowed)
                return fail(CannotRecover, file, allowed.error());
        }
        if (const Result<int> copied =
                RecordStoreCopy::replaceAll(RecordStore::onFile(copyPath), RecordStore(m_folder, m_server));
            !copied)
            return fail(CannotRecover, file, copied.error());
        return {};
    }
    if (const Result<> replaced = replaceDatabase(copyPath); !replaced)
        return fail(CannotRecover, file, replaced.error());
    copy.keep();
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
    const QString scratch = scratchPath();
    // Left by a run that was cut off before it could clean up.
    if (QFileInfo::exists(scratch) && !QFile::remove(scratch))
        return fail(CannotCompact, scratch, QStringLiteral("The old scratch file cannot be removed."));
    const Result<> done = [&]() -> Result<> {
        {
            const RecordStore store(m_folder);
            RecordStoreSession session(store);
            if (!session.isOpen())
                return Failure{session.error()};
            QFile file(scratch);
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                           QFileDevice::ReadOwner | QFileDevice::WriteOwner))
                return fail(CannotCompact, scratch, file.errorString());
            file.close();
            if (const Result<> copied = vacuumInto(session.db(), scratch); !copied)
                return fail(CannotCompact, m_databasePath, copied.error());
        }
        if (const Result<> replaced = replaceDatabase(scratch); !replaced)
            return fail(CannotCompact, m_databasePath, replaced.error());
        return {};
    }();
    if (!done)
        QFile::remove(scratch);
    return done;
}

Result<> DatabaseMaintenance::replaceDatabase(const QString &completeFile) const
{
    if (m_beforeReplace) {
        if (const Result<> allowed = m_beforeReplace(); !allowed)
            return allowed;
    }
    return renameOver(completeFile, m_databasePath);
}
