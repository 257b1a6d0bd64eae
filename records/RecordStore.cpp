#include "RecordStore.h"
#include "RecordStoreSession.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace {

// The ten fields in their ordinal order; reads and writes go by position.
const QString RecordColumns = QStringLiteral(
    "ID, IPAddress, MACAddress, HostName, Workgroup, User, Department, Location, laninterface, Comments");

// The text columns compared for duplicates ignore case, as the duplicate
// rules expect; AUTOINCREMENT keeps deleted IDs from being handed out again.
const char *const SchemaStatements[] = {
    "CREATE TABLE T_Record ("
    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "IPAddress TEXT COLLATE NOCASE, "
    "MACAddress TEXT COLLATE NOCASE, "
    "HostName TEXT, Workgroup TEXT, User TEXT, Department TEXT, Location TEXT, "
    "laninterface TEXT, Comments TEXT)",
    "CREATE TABLE T_set (check1 SMALLINT, check2 SMALLINT, check3 SMALLINT, check4 SMALLINT, "
    "check5 SMALLINT, mins SMALLINT)",
};

QString connectionName()
{
    static std::atomic<quint64> next{0};
    return QStringLiteral("netkestrel-records-%1").arg(++next);
}

// NULL reads as empty text.
QString field(const QSqlQuery &query, int position)
{
    return query.value(position).toString();
}

PresetRecord readRecord(const QSqlQuery &query)
{
    QStringList fields;
    for (int k = 1; k <= PresetRecord::FieldCount; ++k)
        fields.append(field(query, k));
    return PresetRecord::fromFields(fields, query.value(0).toLongLong());
}

void bindFields(QSqlQuery &query, const PresetRecord &record)
{
    for (const QString &value : record.fields())
        query.addBindValue(value);
}

} // namespace

RecordStore::RecordStore(const QString &dataFolder) : m_databasePath(databasePath(dataFolder)) {}

QString RecordStore::databasePath(const QString &dataFolder)
{
    QString path = dataFolder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QLatin1String(DatabaseFileName);
}

bool RecordStore::fail(const QString &what, const QString &detail)
{
    m_lastError = QStringLiteral("%1 (%2)\r\n%3").arg(what, QDir::toNativeSeparators(m_databasePath), detail);
    return false;
}

QSqlDatabase RecordStore::OpenRecordStore()
{
    m_lastError.clear();
    const QFileInfo file(m_databasePath);
    const bool create = !file.exists();
    if (create && !QDir().mkpath(file.absolutePath())) {
        fail(QStringLiteral("The record database cannot be created."),
             QStringLiteral("The folder cannot be made."));
        return {};
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    db.setDatabaseName(m_databasePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        fail(QStringLiteral("The record database cannot be opened."), db.lastError().text());
        CloseRecordStore(db);
        return {};
    }
    if (create) {
        QString error;
        {
            QSqlQuery query(db);
            // A rollback journal keeps the database one file, so a backup is a copy.
            bool ok = query.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) && db.transaction();
            for (const char *statement : SchemaStatements) {
                if (ok && !query.exec(QLatin1String(statement)))
                    ok = false;
            }
            if (ok && !db.commit())
                ok = false;
            if (!ok) {
                error = query.lastError().isValid() ? query.lastError().text() : db.lastError().text();
                db.rollback();
            }
        }
        if (!error.isEmpty()) {
            fail(QStringLiteral("The record database cannot be created."), error);
            CloseRecordStore(db);
            QFile::remove(m_databasePath);
            return {};
        }
    }
    return db;
}

void RecordStore::CloseRecordStore(QSqlDatabase &db)
{
    const QString name = db.connectionName();
    if (db.isOpen())
        db.close();
    db = QSqlDatabase();
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
}

std::optional<QList<PresetRecord>> RecordStore::loadAll()
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return std::nullopt;
    QSqlQuery query(session.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM T_Record ORDER BY ID").arg(RecordColumns))) {
        fail(QStringLiteral("The records cannot be read."), query.lastError().text());
        return std::nullopt;
    }
    QList<PresetRecord> records;
    while (query.next())
        records.append(readRecord(query));
    if (query.lastError().isValid()) {
        fail(QStringLiteral("The records cannot be read."), query.lastError().text());
        return std::nullopt;
    }
    return records;
}

bool RecordStore::recordById(qint64 id, std::optional<PresetRecord> *record)
{
    record->reset();
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return false;
    QSqlQuery query(session.db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM T_Record WHERE ID = ?").arg(RecordColumns));
    query.addBindValue(id);
    if (!query.exec())
        return fail(QStringLiteral("The record cannot be read."), query.lastError().text());
    if (query.next())
        *record = readRecord(query);
    else if (query.lastError().isValid())
        return fail(QStringLiteral("The record cannot be read."), query.lastError().text());
    return true;
}

bool RecordStore::isIpTaken(const QString &ip, qint64 exceptId, bool *taken)
{
    return isTaken("IPAddress", ip, exceptId, taken);
}

bool RecordStore::isMacTaken(const QString &mac, qint64 exceptId, bool *taken)
{
    return isTaken("MACAddress", mac, exceptId, taken);
}

bool RecordStore::isTaken(const char *column, const QString &value, qint64 exceptId, bool *taken)
{
    *taken = false;
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return false;
    QSqlQuery query(session.db());
    query.setForwardOnly(true);
    // NOCASE here as well, so that a file whose columns lack the collation
    // still compares as the program expects.
    query.prepare(QStringLiteral("SELECT 1 FROM T_Record WHERE %1 = ? COLLATE NOCASE AND ID <> ? LIMIT 1")
                      .arg(QLatin1String(column)));
    query.addBindValue(value);
    query.addBindValue(exceptId);
    if (!query.exec())
        return fail(QStringLiteral("The records cannot be searched."), query.lastError().text());
    *taken = query.next();
    if (query.lastError().isValid())
        return fail(QStringLiteral("The records cannot be searched."), query.lastError().text());
    return true;
}

bool RecordStore::insertRecord(PresetRecord *record)
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return false;
    QSqlQuery query(session.db());
    query.prepare(
        QStringLiteral("INSERT INTO T_Record (IPAddress, MACAddress, HostName, Workgroup, User, "
                       "Department, Location, laninterface, Comments) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    bindFields(query, *record);
    if (!query.exec())
        return fail(QStringLiteral("The record cannot be saved."), query.lastError().text());
    const QVariant id = query.lastInsertId();
    if (!id.isValid())
        return fail(QStringLiteral("The record cannot be saved."), QStringLiteral("No ID was assigned."));
    record->id = id.toLongLong();
    return true;
}

bool RecordStore::updateRecord(PresetRecord *record, bool *found)
{
    *found = false;
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return false;
    QSqlQuery query(session.db());
    query.prepare(
        QStringLiteral("UPDATE T_Record SET IPAddress = ?, MACAddress = ?, HostName = ?, Workgroup = ?, "
                       "User = ?, Department = ?, Location = ?, laninterface = ?, Comments = ? "
                       "WHERE ID = ?"));
    bindFields(query, *record);
    query.addBindValue(record->id);
    if (!query.exec())
        return fail(QStringLiteral("The record cannot be saved."), query.lastError().text());
    *found = query.numRowsAffected() > 0;
    if (!*found)
        return true;
    query.prepare(QStringLiteral("SELECT %1 FROM T_Record WHERE ID = ?").arg(RecordColumns));
    query.addBindValue(record->id);
    if (!query.exec() || !query.next())
        return fail(QStringLiteral("The saved record cannot be read back."), query.lastError().text());
    *record = readRecord(query);
    return true;
}

bool RecordStore::deleteRecords(const QList<qint64> &ids, int *deleted)
{
    *deleted = 0;
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return false;
    if (!session.db().transaction())
        return fail(QStringLiteral("The records cannot be deleted."), session.db().lastError().text());
    int count = 0;
    {
        QSqlQuery query(session.db());
        query.prepare(QStringLiteral("DELETE FROM T_Record WHERE ID = ?"));
        for (qint64 id : ids) {
            query.bindValue(0, id);
            if (!query.exec()) {
                const QString error = query.lastError().text();
                query.finish();
                session.db().rollback();
                return fail(QStringLiteral("The records cannot be deleted."), error);
            }
            count += qMax(0, query.numRowsAffected());
        }
    }
    if (!session.db().commit()) {
        const QString error = session.db().lastError().text();
        session.db().rollback();
        return fail(QStringLiteral("The records cannot be deleted."), error);
    }
    *deleted = count;
    return true;
}
