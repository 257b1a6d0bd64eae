#include "records/RecordStore.h"

#include "platform/DataFolder.h"
#include "records/RecordSchema.h"
#include "records/RecordStoreSession.h"
#include "records/RecordTable.h"
#include "records/ServerBatchWrite.h"
#include "records/SqlEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <atomic>

namespace {

const QString CannotOpen = QStringLiteral("The record database cannot be opened.");
const QString CannotCreate = QStringLiteral("The record database cannot be created.");
const QString CannotRead = QStringLiteral("The records cannot be read.");
const QString CannotReadOne = QStringLiteral("The record cannot be read.");
const QString CannotSearch = QStringLiteral("The records cannot be searched.");
const QString CannotSave = QStringLiteral("The record cannot be saved.");
const QString CannotSaveMany = QStringLiteral("The records cannot be saved.");
const QString CannotDelete = QStringLiteral("The records cannot be deleted.");

QString connectionName()
{
    static std::atomic<quint64> next{0};
    return QStringLiteral("netkestrel-records-%1").arg(++next);
}

RecordTable::Column column(BatchItem::MatchBy matchBy)
{
    return matchBy == BatchItem::MatchBy::IpAddress ? RecordTable::Column::IpAddress
                                                    : RecordTable::Column::MacAddress;
}

// Each item probed and written in turn; failures carry the driver's text.
Result<BatchOutcome> writeOneByOne(RecordTable &table, const QList<BatchItem> &items)
{
    BatchOutcome outcome;
    for (const BatchItem &item : items) {
        const QString key = item.matchBy == BatchItem::MatchBy::IpAddress ? item.record.ipAddress
                                                                          : item.record.macAddress;
        const Result<std::optional<qint64>> holder = table.firstHolding(column(item.matchBy), key);
        if (!holder)
            return Failure{holder.error()};
        if (!*holder) {
            PresetRecord added = item.record;
            added.id = 0;
            const Result<qint64> id = table.insert(added);
            if (!id)
                return Failure{id.error()};
            outcome.actions.append(BatchOutcome::Action::Added);
            outcome.ids.append(*id);
        } else if (item.onDuplicate == BatchItem::OnDuplicate::Skip) {
            outcome.actions.append(BatchOutcome::Action::Skipped);
            outcome.ids.append(**holder);
        } else {
            PresetRecord overwritten = item.record;
            overwritten.id = **holder;
            const Result<bool> found = table.update(overwritten, item.overwrittenFields);
            if (!found)
                return Failure{found.error()};
            outcome.actions.append(BatchOutcome::Action::Overwritten);
            outcome.ids.append(**holder);
        }
    }
    return outcome;
}

} // namespace

RecordStore::RecordStore(const QString &dataFolder, std::optional<DatabaseUrl> server)
    : m_databasePath(databasePath(dataFolder)), m_server(std::move(server))
{
}

RecordStore RecordStore::onFile(const QString &path)
{
    RecordStore store(QFileInfo(path).absolutePath());
    store.m_databasePath = QFileInfo(path).absoluteFilePath();
    return store;
}

QString RecordStore::location() const
{
    return m_server ? m_server->display() : QDir::toNativeSeparators(m_databasePath);
}

QString RecordStore::databasePath(const QString &dataFolder)
{
    QString path = dataFolder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QLatin1String(DatabaseFileName);
}

Failure RecordStore::fail(const QString &what, const QString &detail) const
{
    return Failure{QStringLiteral("%1 (%2)\r\n%3").arg(what, location(), detail)};
}

Result<QSqlDatabase> RecordStore::OpenRecordStore() const
{
    if (m_server) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName());
        if (!db.isValid()) {
            CloseRecordStore(db);
            return fail(CannotOpen, QStringLiteral("Qt's PostgreSQL driver (QPSQL) is not installed."));
        }
        if (const Result<> applied = m_server->apply(db); !applied) {
            CloseRecordStore(db);
            return fail(CannotOpen, applied.error());
        }
        if (!db.open()) {
            const QString error = m_server->openFailure(db.lastError().text().trimmed());
            CloseRecordStore(db);
            return fail(CannotOpen, error);
        }
        if (const Result<> migrated = RecordSchema::migrate(db); !migrated) {
            CloseRecordStore(db);
            return fail(CannotOpen, migrated.error());
        }
        return db;
    }
    const QFileInfo file(m_databasePath);
    bool created = false;
    if (!file.exists()) {
        if (const Result<> folder = DataFolder::ensureExists(file.absolutePath()); !folder)
            return fail(CannotCreate, folder.error());
        // Made here so that it is readable by its owner only (SQLite would
        // follow the umask); SQLite takes a zero-byte file for an empty
        // database. Another process may make it at the same moment.
        QFile newFile(m_databasePath);
        created = newFile.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    db.setDatabaseName(m_databasePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        const QString error = db.lastError().text().trimmed();
        CloseRecordStore(db);
        return fail(created ? CannotCreate : CannotOpen, error);
    }
    if (const Result<> migrated = RecordSchema::migrate(db); !migrated) {
        CloseRecordStore(db);
        return fail(created ? CannotCreate : CannotOpen, migrated.error());
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

Result<> RecordStore::prepare() const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    return {};
}

Result<QList<PresetRecord>> RecordStore::loadAll() const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    RecordTable table(session.db());
    Result<QList<PresetRecord>> records = table.all();
    if (!records)
        return fail(CannotRead, records.error());
    return records;
}

Result<std::optional<PresetRecord>> RecordStore::recordById(qint64 id) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    RecordTable table(session.db());
    Result<std::optional<PresetRecord>> record = table.byId(id);
    if (!record)
        return fail(CannotReadOne, record.error());
    return record;
}

Result<bool> RecordStore::isIpTaken(const QString &ip, qint64 exceptId) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    RecordTable table(session.db());
    const Result<std::optional<qint64>> holder =
        table.firstHolding(RecordTable::Column::IpAddress, ip, exceptId);
    if (!holder)
        return fail(CannotSearch, holder.error());
    return holder->has_value();
}

Result<bool> RecordStore::isMacTaken(const QString &mac, qint64 exceptId) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    RecordTable table(session.db());
    const Result<std::optional<qint64>> holder =
        table.firstHolding(RecordTable::Column::MacAddress, mac, exceptId);
    if (!holder)
        return fail(CannotSearch, holder.error());
    return holder->has_value();
}

Result<PresetRecord> RecordStore::insertRecord(const PresetRecord &record) const
{
    PresetRecord added = record;
    added.id = 0;
    const Result<WriteOutcome> written = writeUnlessTaken(added, false, false);
    if (!written)
        return Failure{written.error()};
    return written->record;
}

Result<std::optional<PresetRecord>> RecordStore::updateRecord(const PresetRecord &record) const
{
    if (record.id <= 0)
        return std::optional<PresetRecord>();
    const Result<WriteOutcome> written = writeUnlessTaken(record, false, false);
    if (!written)
        return Failure{written.error()};
    if (written->refusal == Refusal::Gone)
        return std::optional<PresetRecord>();
    return std::optional<PresetRecord>(written->record);
}

Result<RecordStore::WriteOutcome> RecordStore::writeUnlessTaken(
    const PresetRecord &record, bool probeIp, bool probeMac, const std::optional<PresetRecord> &loaded) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> begun = session.beginWrite(); !begun)
        return fail(CannotSave, begun.error());
    RecordTable table(session.db());

    const bool update = record.id > 0;
    if (update) {
        const Result<std::optional<PresetRecord>> existing = table.byId(record.id);
        if (!existing)
            return fail(CannotSave, existing.error());
        if (!*existing)
            return WriteOutcome{Refusal::Gone, {}};
        if (loaded && (*existing)->fields() != loaded->fields())
            return WriteOutcome{Refusal::Changed, **existing};
    }
    const std::pair<bool, RecordTable::Column> probes[] = {{probeIp, RecordTable::Column::IpAddress},
                                                           {probeMac, RecordTable::Column::MacAddress}};
    for (const auto &[wanted, column] : probes) {
        if (!wanted)
            continue;
        const QString value = column == RecordTable::Column::IpAddress ? record.ipAddress : record.macAddress;
        const Result<std::optional<qint64>> holder = table.firstHolding(column, value, record.id);
        if (!holder)
            return fail(CannotSearch, holder.error());
        if (*holder)
            return WriteOutcome{
                column == RecordTable::Column::IpAddress ? Refusal::IpTaken : Refusal::MacTaken, {}};
    }

    qint64 id = record.id;
    if (update) {
        const Result<bool> found = table.update(record);
        if (!found)
            return fail(CannotSave, found.error());
    } else {
        const Result<qint64> added = table.insert(record);
        if (!added)
            return fail(CannotSave, added.error());
        id = *added;
    }
    const Result<std::optional<PresetRecord>> stored = table.byId(id);
    if (!stored || !*stored)
        return fail(QStringLiteral("The saved record cannot be read back."),
                    stored ? QStringLiteral("It is not there.") : stored.error());
    if (const Result<> committed = session.commit(); !committed)
        return fail(CannotSave, committed.error());
    return WriteOutcome{Refusal::None, **stored};
}

Result<int> RecordStore::deleteRecords(const QList<qint64> &ids) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> begun = session.beginWrite(); !begun)
        return fail(CannotDelete, begun.error());
    int count = 0;
    {
        RecordTable table(session.db());
        for (qint64 id : ids) {
            const Result<int> removed = table.remove(id);
            if (!removed)
                return fail(CannotDelete, removed.error());
            count += *removed;
        }
    }
    if (const Result<> committed = session.commit(); !committed)
        return fail(CannotDelete, committed.error());
    return count;
}

Result<RecordStore::DeleteOutcome> RecordStore::deleteUnlessChanged(const QList<PresetRecord> &loaded) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> begun = session.beginWrite(); !begun)
        return fail(CannotDelete, begun.error());
    DeleteOutcome outcome;
    {
        RecordTable table(session.db());
        // The write lock is held from the first read, so what is compared
        // here is what is deleted.
        for (const PresetRecord &record : loaded) {
            const Result<std::optional<PresetRecord>> existing = table.byId(record.id);
            if (!existing)
                return fail(CannotDelete, existing.error());
            if (*existing && (*existing)->fields() != record.fields())
                outcome.changed.append(**existing);
        }
        if (!outcome.changed.isEmpty())
            return outcome;
        for (const PresetRecord &record : loaded) {
            const Result<int> removed = table.remove(record.id);
            if (!removed)
                return fail(CannotDelete, removed.error());
            outcome.deleted += *removed;
        }
    }
    if (const Result<> committed = session.commit(); !committed)
        return fail(CannotDelete, committed.error());
    return outcome;
}

Result<BatchOutcome> RecordStore::writeBatch(const QList<BatchItem> &items) const
{
    RecordStoreSession session(*this);
    if (!session.isOpen())
        return Failure{session.error()};
    if (const Result<> begun = session.beginWrite(); !begun)
        return fail(CannotSaveMany, begun.error());
    std::optional<BatchOutcome> outcome;
    if (SqlEngine::isPostgres(session.db())) {
        Result<std::optional<BatchOutcome>> atOnce = ServerBatchWrite(session.db()).run(items);
        if (!atOnce)
            return fail(CannotSaveMany, atOnce.error());
        outcome = std::move(*atOnce);
    }
    if (!outcome) {
        RecordTable table(session.db());
        Result<BatchOutcome> written = writeOneByOne(table, items);
        if (!written)
            return fail(CannotSaveMany, written.error());
        outcome = std::move(*written);
    }
    if (const Result<> committed = session.commit(); !committed)
        return fail(CannotSaveMany, committed.error());
    return std::move(*outcome);
}
