#include "tests/support/RecordFixture.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QTest>
#include <atomic>

namespace {

// A connection of the test's own on the file, removed when it goes.
class RawConnection
{
public:
    explicit RawConnection(const QString &path)
    {
        static std::atomic<int> next{0};
        m_name = QStringLiteral("test-raw-%1").arg(++next);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        if (!db.open())
            qWarning("cannot open %s: %s", qPrintable(path), qPrintable(db.lastError().text()));
    }
    ~RawConnection() { QSqlDatabase::removeDatabase(m_name); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

// The store's place on the server: a new database, or nothing (and a warning)
// when it cannot be made.
std::optional<DatabaseUrl> newDatabase(PostgresServer *server)
{
    if (!server)
        return std::nullopt;
    const Result<QString> name = server->createDatabase();
    if (!name) {
        qWarning("cannot create a database: %s", qPrintable(name.error()));
        return std::nullopt;
    }
    return server->databaseUrl(*name);
}

} // namespace

RecordFixture::RecordFixture(PostgresServer *server)
    : m_server(server),
      m_store(m_dir.path(), newDatabase(server)),
      m_commands(m_store, m_list, m_prompt, m_state)
{
}

PresetRecord RecordFixture::add(const QString &ip, const QString &mac, const QString &host)
{
    PresetRecord record;
    record.ipAddress = ip;
    record.macAddress = mac;
    record.hostName = host;
    const Result<PresetRecord> added = m_store.insertRecord(record);
    if (!added) {
        QTest::qFail(qPrintable(QStringLiteral("insert failed: ") + added.error()), __FILE__, __LINE__);
        return record;
    }
    return *added;
}

bool RecordFixture::exec(const QStringList &statements) const
{
    if (m_server) {
        const Result<> done = m_server->exec(m_store.server()->database(), statements);
        if (!done)
            qWarning("%s", qPrintable(done.error()));
        return done.ok();
    }
    RawConnection connection(databasePath());
    QSqlQuery query(connection.db());
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
            return false;
        }
    }
    return true;
}

QVariantList RecordFixture::column(const QString &statement, const QVariantList &values, int position) const
{
    if (m_server) {
        const Result<QVariantList> rows =
            m_server->column(m_store.server()->database(), statement, values, position);
        if (!rows)
            qWarning("%s", qPrintable(rows.error()));
        return rows ? *rows : QVariantList();
    }
    RawConnection connection(databasePath());
    QVariantList result;
    QSqlQuery query(connection.db());
    if (!query.prepare(statement)) {
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        return result;
    }
    for (qsizetype k = 0; k < values.size(); ++k)
        query.bindValue(int(k), values.at(k));
    if (!query.exec())
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    while (query.next())
        result.append(query.value(position));
    return result;
}
