#include "records/DatabaseMaintenance.h"
#include "records/DatabaseUrl.h"
#include "records/RecordSchema.h"
#include "records/RecordStore.h"
#include "sheets/RecordTableDump.h"
#include "tests/support/CliProcess.h"
#include "tests/support/PostgresServer.h"

#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <list>

namespace {

// A PostgreSQL server's first steps on loopback, on a thread of its own (the
// driver's open blocks the test's): 'N' to every request for encryption,
// then a request for the password in clear, and what comes is kept.
class PlainServerPeer : public QThread
{
public:
    quint16 port = 0;
    QSemaphore listening;
    std::atomic<bool> done{false};
    QList<QByteArray> passwords; // read after wait()

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        port = server.serverPort();
        listening.release();
        while (!done) {
            if (server.waitForNewConnection(50))
                serve(std::unique_ptr<QTcpSocket>(server.nextPendingConnection()).get());
        }
    }

private:
    static QByteArray read(QTcpSocket *socket, quint32 bytes)
    {
        const qint64 wanted = qMin<qint64>(bytes, 10000);
        QByteArray data;
        while (data.size() < wanted && (socket->bytesAvailable() || socket->waitForReadyRead(5000)))
            data += socket->read(wanted - data.size());
        return data;
    }
    void serve(QTcpSocket *socket)
    {
        QByteArray head;
        // SSLRequest and GSSENCRequest: length 8, code 1234 5679 or 5680.
        while ((head = read(socket, 8)).startsWith(QByteArray("\0\0\0\x08\x04\xd2\x16", 7)))
            socket->write("N");
        if (head.size() < 8)
            return;
        read(socket, qFromBigEndian<quint32>(head.constData()) - 8); // the StartupMessage's rest
        socket->write(QByteArray("R\0\0\0\x08\0\0\0\x03", 9));
        if (const QByteArray message = read(socket, 5); message.size() == 5 && message.startsWith('p'))
            passwords.append(read(socket, qFromBigEndian<quint32>(message.constData() + 1) - 4));
    }
};

} // namespace

// The record store on a PostgreSQL server of the test's own: the URL of
// --database, the schema's version there, several processes at once, and
// passwords that never travel on the command line.
class TestRecordServer : public QObject
{
    Q_OBJECT

private slots:
    void parseUrl_data();
    void parseUrl();
    void encryptionOverTcp_data();
    void encryptionOverTcp();
    void initTestCase();
    void cleanupTestCase();
    void init();
    void schemaVersionIsKeptOnTheServer();
    void unusableServerDatabase_data();
    void unusableServerDatabase();
    void firstOpensRace();
    void duplicateAddsRace();
    void passwordFromFileOnly_data();
    void passwordFromFileOnly();
    void commandsWorkOnTheServer();
    void backupAndRecoveryOfTheServer();
    void failedRecoveryChangesNothing();
    void copyBothWays();
    void exportedFieldNamesAreTheFilesOnes();

private:
    QStringList records(const QStringList &arguments) const
    {
        return QStringList{QStringLiteral("records")} + arguments +
               QStringList{QStringLiteral("--data-dir"), m_dir.path(), QStringLiteral("--database"), m_url};
    }
    static QList<CliProcess::Run> runTogether(const QList<QStringList> &commands);

    QString m_unavailable;
    std::unique_ptr<PostgresServer> m_server;
    QTemporaryDir m_dir;
    QString m_database;
    QString m_url;
};

void TestRecordServer::parseUrl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("display"); // empty: refused
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("host and port") << "postgresql://admin@db.example:5433/plan"
                                   << "postgresql://admin@db.example:5433/plan"
                                   << "db.example" << 5433;
    QTest::newRow("short scheme, no port") << "postgres://admin@127.0.0.1/plan"
                                           << "postgresql://admin@127.0.0.1/plan"
                                           << "127.0.0.1" << -1;
    QTest::newRow("socket folder") << "postgresql://admin@/plan?host=/run/pg"
                                   << "postgresql://admin@/plan?host=/run/pg"
                                   << "/run/pg" << -1;
    QTest::newRow("port as parameter") << "postgresql://admin@/plan?host=/run/pg&port=6000"
                                       << "postgresql://admin@:6000/plan?host=/run/pg"
                                       << "/run/pg" << 6000;
    QTest::newRow("password in the URL")
        << "postgresql://admin:secret@db/plan" << QString() << QString() << 0;
    QTest::newRow("password as parameter")
        << "postgresql://admin@db/plan?password=secret" << QString() << QString() << 0;
    QTest::newRow("no database") << "postgresql://admin@db/" << QString() << QString() << 0;
    QTest::newRow("other scheme") << "mysql://admin@db/plan" << QString() << QString() << 0;
    QTest::newRow("a file") << "/var/lib/kestrel.mdb" << QString() << QString() << 0;
    QTest::newRow("TLS settings") << "postgresql://admin@db/plan?sslmode=verify-full&sslrootcert=%1"
                                  << "postgresql://admin@db/plan?sslmode=verify-full&sslrootcert=%1"
                                  << "db" << -1;
    QTest::newRow("unknown parameter")
        << "postgresql://admin@db/plan?options=-cwork_mem=1" << QString() << QString() << 0;
    QTest::newRow("sslmode not libpq's")
        << "postgresql://admin@db/plan?sslmode=off" << QString() << QString() << 0;
    QTest::newRow("certificate not there")
        << "postgresql://admin@db/plan?sslcert=/nonexistent/client.crt" << QString() << QString() << 0;
    QTest::newRow("a ';' after the file")
        << "postgresql://admin@db/plan?sslkey=%1;sslmode=disable" << QString() << QString() << 0;
    QTest::newRow("bad port") << "postgresql://admin@/plan?port=70000" << QString() << QString() << 0;
}

void TestRecordServer::parseUrl()
{
    QFETCH(QString, text);
    QFETCH(QString, display);
    QFETCH(QString, host);
    QFETCH(int, port);
    for (QString *value : {&text, &display}) // a readable file
        value->replace(QLatin1String("%1"), QCoreApplication::applicationFilePath());
    const Result<DatabaseUrl> url = DatabaseUrl::parse(text);
    QCOMPARE(url.ok(), !display.isEmpty());
    if (!url) {
        // A refusal never repeats a password.
        QVERIFY2(!url.error().contains(QStringLiteral("secret")), qPrintable(url.error()));
        return;
    }
    QCOMPARE(url->display(), display);
    QCOMPARE(url->host(), host);
    QCOMPARE(url->port(), port);
    QCOMPARE(url->database(), QStringLiteral("plan"));
    QCOMPARE(url->user(), QStringLiteral("admin"));
}

void TestRecordServer::encryptionOverTcp_data()
{
    QTest::addColumn<QString>("parameters"); // %1: a folder of the test's
    QTest::addColumn<bool>("passwordSent");
    QTest::newRow("no sslmode") << QString() << false;
    QTest::newRow("verify-full") << "?sslmode=verify-full" << false;
    // Quoted, the file's name cannot set the sslmode.
    QTest::newRow("a file name that spells an option") << "?sslrootcert=%1/ca%20sslmode%3Ddisable" << false;
    QTest::newRow("sslmode=disable") << "?sslmode=disable" << true;
}

void TestRecordServer::encryptionOverTcp()
{
    QFETCH(QString, parameters);
    QFETCH(bool, passwordSent);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        QSKIP("Qt's PostgreSQL driver is not installed (Debian package libqt6sql6-psql)");
    QTemporaryDir dir;
    for (const char *name : {"pw", "ca sslmode=disable"}) {
        QFile file(dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("s3cret\n") == 7);
    }
    PlainServerPeer peer;
    peer.start();
    peer.listening.acquire();
    const Result<DatabaseUrl> url =
        DatabaseUrl::parse(QStringLiteral("postgresql://kestrel@127.0.0.1:%1/plan").arg(peer.port) +
                               parameters.replace(QLatin1String("%1"), dir.path()),
                           dir.filePath(QStringLiteral("pw")));
    QVERIFY2(url, qPrintable(url.error()));
    const Result<> opened = RecordStore(dir.path(), *url).prepare();
    peer.done = true;
    peer.wait();
    QCOMPARE(peer.passwords,
             passwordSent ? QList<QByteArray>{QByteArray("s3cret\0", 7)} : QList<QByteArray>());
    // The cause follows the line that names the store.
    const QString cause = opened.error().section(QStringLiteral("\r\n"), 1);
    QCOMPARE(cause.contains(QLatin1String("offers no encrypted connection")), !passwordSent);
    QCOMPARE(cause.contains(QLatin1String("sslmode=disable")), !passwordSent);
}

void TestRecordServer::initTestCase()
{
    // The URL tests run also where no server can.
    m_unavailable = PostgresServer::unavailableReason();
    if (!m_unavailable.isEmpty())
        return;
    QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
    QVERIFY(m_dir.isValid());
    m_server = std::make_unique<PostgresServer>();
    const Result<> started = m_server->start();
    QVERIFY2(started, qPrintable(started.error()));
}

void TestRecordServer::cleanupTestCase()
{
    m_server.reset();
}

void TestRecordServer::init()
{
    if (QByteArray(QTest::currentTestFunction()) == "parseUrl" ||
        QByteArray(QTest::currentTestFunction()) == "encryptionOverTcp")
        return; // needs no server
    if (!m_unavailable.isEmpty())
        QSKIP(qPrintable(m_unavailable));
    const Result<QString> database = m_server->createDatabase();
    QVERIFY2(database, qPrintable(database.error()));
    m_database = *database;
    m_url = m_server->url(m_database);
}

QList<CliProcess::Run> TestRecordServer::runTogether(const QList<QStringList> &commands)
{
    std::list<QProcess> processes; // QProcess cannot move
    for (const QStringList &arguments : commands)
        CliProcess::start(processes.emplace_back(), arguments);
    QList<CliProcess::Run> runs;
    for (QProcess &process : processes)
        runs.append(CliProcess::finish(process));
    return runs;
}

void TestRecordServer::schemaVersionIsKeptOnTheServer()
{
    const RecordStore store(m_dir.path(), m_server->databaseUrl(m_database));
    QVERIFY(store.prepare());
    QVERIFY(store.prepare()); // a second open finds the work done
    const Result<QVariantList> versions =
        m_server->column(m_database, QStringLiteral("SELECT version FROM T_SchemaVersion"));
    QVERIFY2(versions, qPrintable(versions.error()));
    QCOMPARE(*versions, QVariantList{RecordSchema::currentVersion()});
    // The data folder gets no database file of its own.
    QVERIFY(!QFile::exists(RecordStore::databasePath(m_dir.path())));
}

void TestRecordServer::unusableServerDatabase_data()
{
    QTest::addColumn<QStringList>("statements"); // run on the database first
    QTest::addColumn<QString>("url");            // empty: the test's database
    QTest::addColumn<QString>("words");

    QTest::newRow("newer version") << QStringList{"CREATE TABLE T_Record (ID BIGINT)",
                                                  "CREATE TABLE T_SchemaVersion (version INTEGER)",
                                                  QStringLiteral("INSERT INTO T_SchemaVersion VALUES (%1)")
                                                      .arg(RecordSchema::currentVersion() + 1)}
                                   << QString() << "made by a newer version of Netkestrel";
    QTest::newRow("another program's tables")
        << QStringList{"CREATE TABLE invoices (id INTEGER)"} << QString() << "has no table T_Record";
    QTest::newRow("no such database") << QStringList{} << "missing"
                                      << "does not exist";
}

void TestRecordServer::unusableServerDatabase()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, url);
    QFETCH(QString, words);
    QVERIFY(m_server->exec(m_database, statements));
    const QString database = url.isEmpty() ? m_database : url;
    const CliProcess::Run run =
        CliProcess::run({QStringLiteral("records"), QStringLiteral("list"), QStringLiteral("--data-dir"),
                         m_dir.path(), QStringLiteral("--database"), m_server->url(database)});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(words), qPrintable(run.err));
    // The message names the store, without secrets.
    QVERIFY2(run.err.contains(m_server->url(database)), qPrintable(run.err));
    if (!url.isEmpty())
        return;
    // Nothing was changed: the tables are as they were.
    const Result<QVariantList> tables = m_server->column(
        m_database, QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = "
                                   "'public' ORDER BY table_name"));
    QVERIFY(tables);
    QCOMPARE(tables->size(), statements.filter(QStringLiteral("CREATE TABLE")).size());
}

void TestRecordServer::firstOpensRace()
{
    // Processes that find a database without tables, all at once: one
    // migrates, the others wait and find the work done; every add lands.
    constexpr int Processes = 8;
    QList<QStringList> commands;
    for (int k = 1; k <= Processes; ++k)
        commands.append(records({QStringLiteral("add"), QStringLiteral("--ip"),
                                 QStringLiteral("198.18.0.%1").arg(k), QStringLiteral("--mac"),
                                 QStringLiteral("00-0A-E4-00-00-%1").arg(k, 2, 10, QLatin1Char('0'))}));
    QStringList saved;
    for (const CliProcess::Run &run : runTogether(commands)) {
        QVERIFY2(run.status == 0, qPrintable(run.err));
        saved.append(run.out.trimmed());
    }
    const Result<QVariantList> ids = m_server->column(m_database, QStringLiteral("SELECT ID FROM T_Record"));
    QVERIFY(ids);
    QStringList stored;
    for (const QVariant &id : *ids)
        stored.append(id.toString());
    saved.sort();
    stored.sort();
    QCOMPARE(stored, saved);
    QCOMPARE(m_server->column(m_database, QStringLiteral("SELECT COUNT(*) FROM T_SchemaVersion"))
                 ->value(0)
                 .toInt(),
             1);
}

void TestRecordServer::duplicateAddsRace()
{
    QVERIFY(RecordStore(m_dir.path(), m_server->databaseUrl(m_database)).prepare());
    // The same IP in other letter cases is impossible for IPv4; the MAC is
    // the same in either case.
    constexpr int Processes = 8;
    QList<QStringList> commands;
    for (int k = 1; k <= Processes; ++k)
        commands.append(
            records({QStringLiteral("add"), QStringLiteral("--ip"), QStringLiteral("198.18.0.%1").arg(k),
                     QStringLiteral("--mac"),
                     k % 2 ? QStringLiteral("00-0a-e4-00-00-07") : QStringLiteral("00-0A-E4-00-00-07")}));
    int saved = 0;
    for (const CliProcess::Run &run : runTogether(commands)) {
        if (run.status == 0) {
            ++saved;
            continue;
        }
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("] already exists in Record. This MAC")),
                 qPrintable(run.err));
    }
    QCOMPARE(saved, 1);
    QCOMPARE(m_server->column(m_database, QStringLiteral("SELECT COUNT(*) FROM T_Record"))->value(0).toInt(),
             1);
}

void TestRecordServer::passwordFromFileOnly_data()
{
    QTest::addColumn<QString>("password"); // in the file; empty: no file
    QTest::addColumn<bool>("inUrl");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("words");

    QTest::newRow("right password") << "s3cret-pw" << false << 0 << QString();
    QTest::newRow("wrong password") << "guess" << false << 1 << "password authentication failed";
    QTest::newRow("no password") << QString() << false << 1 << "password";
    QTest::newRow("password in the URL") << QString() << true << 2 << "does not belong into the database URL";
}

void TestRecordServer::passwordFromFileOnly()
{
    QFETCH(QString, password);
    QFETCH(bool, inUrl);
    QFETCH(int, status);
    QFETCH(QString, words);

    QVERIFY(m_server->exec(m_database, {QStringLiteral("CREATE ROLE kestrel_user LOGIN PASSWORD 's3cret-pw'"),
                                        QStringLiteral("GRANT ALL ON SCHEMA public TO kestrel_user")}));
    QString url = m_server->url(m_database, QStringLiteral("kestrel_user"));
    if (inUrl)
        url.replace(QStringLiteral("kestrel_user@"), QStringLiteral("kestrel_user:s3cret-pw@"));
    QStringList arguments{QStringLiteral("records"),    QStringLiteral("list"),
                          QStringLiteral("--data-dir"), m_dir.path(),
                          QStringLiteral("--database"), url};
    const QString file = m_dir.filePath(QStringLiteral("password"));
    if (!password.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(password.toUtf8() + "\n");
        out.close();
        arguments << QStringLiteral("--password-file") << file;
    }
    // No password of the user's own may help or hurt.
    qputenv("PGPASSFILE", m_dir.filePath(QStringLiteral("none")).toUtf8());
    const CliProcess::Run run = CliProcess::run(arguments);
    qunsetenv("PGPASSFILE");
    QVERIFY(m_server->exec(m_database, {QStringLiteral("DROP OWNED BY kestrel_user"),
                                        QStringLiteral("DROP ROLE kestrel_user")}));
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(words), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("s3cret")), qPrintable(run.err));
}

void TestRecordServer::commandsWorkOnTheServer()
{
    const CliProcess::Run added = CliProcess::run(records(
        {QStringLiteral("add"), QStringLiteral("--ip"), QStringLiteral("198.18.0.1"), QStringLiteral("--mac"),
         QStringLiteral("00-0a-e4-00-00-01"), QStringLiteral("--user"), QStringLiteral("jdoe")}));
    QVERIFY2(added.status == 0, qPrintable(added.err));
    const CliProcess::Run modified =
        CliProcess::run(records({QStringLiteral("modify"), added.out.trimmed(), QStringLiteral("--comments"),
                                 QStringLiteral("desk 4")}));
    QVERIFY2(modified.status == 0, qPrintable(modified.err));
    const CliProcess::Run found =
        CliProcess::run(records({QStringLiteral("find"), QStringLiteral("00-0A-E4-00-00-01")}));
    QVERIFY2(found.status == 0, qPrintable(found.err));
    const CliProcess::Run listed = CliProcess::run(records({QStringLiteral("list")}));
    QCOMPARE(listed.status, 0);
    QCOMPARE(listed.out, QStringLiteral("1\t198.18.0.1\t00-0A-E4-00-00-01\t\t\tjdoe\t\t\t\tdesk 4\t%1\n")
                             .arg(added.out.trimmed()));
    // The data folder's own file is untouched by all of it.
    QVERIFY(!QFile::exists(RecordStore::databasePath(m_dir.path())));
}

namespace {

// "ID IP MAC host" of every record in ID order; a failure fails the test.
QStringList rows(const RecordStore &store)
{
    const Result<QList<PresetRecord>> records = store.loadAll();
    if (!records) {
        QTest::qFail(qPrintable(records.error()), __FILE__, __LINE__);
        return {};
    }
    QStringList lines;
    for (const PresetRecord &r : *records)
        lines.append(QStringLiteral("%1 %2 %3 %4").arg(r.id).arg(r.ipAddress, r.macAddress, r.hostName));
    return lines;
}

PresetRecord record(const char *ip, const char *mac, const char *host)
{
    return PresetRecord::fromFields({QLatin1String(ip), QLatin1String(mac), QLatin1String(host)});
}

} // namespace

void TestRecordServer::backupAndRecoveryOfTheServer()
{
    const RecordStore server(m_dir.path(), m_server->databaseUrl(m_database));
    for (const PresetRecord &r :
         {record("198.18.0.1", "M1", "a"), record("198.18.0.2", "M2", "b"), record("198.18.0.3", "M3", "c")})
        QVERIFY(server.insertRecord(r));
    QCOMPARE(*server.deleteRecords({2}), 1); // the IDs have a gap
    QVERIFY(server.prepare());
    const QStringList original = rows(server);

    const DatabaseMaintenance maintenance(m_dir.path(), server.server());
    const Result<QString> backup = maintenance.backup(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    QVERIFY2(backup, qPrintable(backup.error()));
    QCOMPARE(QFileInfo(*backup).fileName(), QStringLiteral("2026-01-02_03-04-05_Backup.KSBK"));
    // A file that the embedded store opens as it is.
    QCOMPARE(rows(RecordStore::onFile(*backup)), original);
    QVERIFY(!QFile::exists(RecordStore::databasePath(m_dir.path())));

    QCOMPARE(*server.deleteRecords({1, 3}), 2);
    QVERIFY(server.insertRecord(record("198.18.0.9", "M9", "z")));
    const Result<> recovered = maintenance.recover(*backup);
    QVERIFY2(recovered, qPrintable(recovered.error()));
    QCOMPARE(rows(server), original);
    // New records do not take the IDs of the recovered ones (the highest is 3).
    QCOMPARE(server.insertRecord(record("198.18.0.4", "M4", "d"))->id, 4);

    const Result<> compacted = maintenance.compact();
    QVERIFY2(compacted, qPrintable(compacted.error()));
    QCOMPARE(rows(server).size(), 3);
}

void TestRecordServer::failedRecoveryChangesNothing()
{
    const RecordStore server(m_dir.path(), m_server->databaseUrl(m_database));
    QVERIFY(server.insertRecord(record("198.18.0.1", "M1", "kept")));
    const QStringList before = rows(server);
    // A backup whose third record the server refuses, after two went in.
    const QString file = m_dir.filePath(QStringLiteral("refused.KSBK"));
    const RecordStore backup = RecordStore::onFile(file);
    for (const PresetRecord &r : {record("198.18.0.2", "M2", "a"), record("198.18.0.3", "M3", "b"),
                                  record("198.18.0.4", "M4", "boom")})
        QVERIFY(backup.insertRecord(r));
    QVERIFY(m_server->exec(
        m_database, {QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                    "IF NEW.HostName = 'boom' THEN RAISE EXCEPTION 'no room left'; "
                                    "END IF; RETURN NEW; END $$"),
                     QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON T_Record FOR EACH ROW "
                                    "EXECUTE FUNCTION refuse()")}));
    const Result<> recovered = DatabaseMaintenance(m_dir.path(), server.server()).recover(file);
    QVERIFY(!recovered);
    QVERIFY2(recovered.error().contains(QStringLiteral("no room left")), qPrintable(recovered.error()));
    QCOMPARE(rows(server), before);
}

void TestRecordServer::copyBothWays()
{
    const QString file = m_dir.filePath(QStringLiteral("plan.mdb"));
    const RecordStore source = RecordStore::onFile(file);
    for (const PresetRecord &r : {record("198.18.0.1", "M1", "a"), record("198.18.0.2", "M2", "b")})
        QVERIFY(source.insertRecord(r));
    QVERIFY(source.deleteRecords({1}));
    QVERIFY(source.insertRecord(record("198.18.0.3", "M3", "c")));
    const QStringList original = rows(source);

    const auto copy = [](const QString &from, const QString &to, bool replace) {
        QStringList arguments{QStringLiteral("db"),     QStringLiteral("copy"),
                              QStringLiteral("--from"), from,
                              QStringLiteral("--to"),   to};
        if (replace)
            arguments.append(QStringLiteral("--replace"));
        return CliProcess::run(arguments);
    };
    const CliProcess::Run up = copy(file, m_url, false);
    QVERIFY2(up.status == 0, qPrintable(up.err));
    QVERIFY2(up.err.contains(QStringLiteral("Copied 2 records")), qPrintable(up.err));
    const RecordStore server(m_dir.path(), m_server->databaseUrl(m_database));
    QCOMPARE(rows(server), original);

    // A target that holds records is kept unless the copy is told to replace.
    const CliProcess::Run again = copy(file, m_url, false);
    QCOMPARE(again.status, 1);
    QVERIFY2(again.err.contains(QStringLiteral("already holds 2 records")), qPrintable(again.err));
    QVERIFY(server.insertRecord(record("198.18.0.8", "M8", "server-only")));
    const QString back = m_dir.filePath(QStringLiteral("back.mdb"));
    const CliProcess::Run down = copy(m_url, back, false);
    QVERIFY2(down.status == 0, qPrintable(down.err));
    QCOMPARE(rows(RecordStore::onFile(back)), rows(server));
    const CliProcess::Run replaced = copy(file, m_url, true);
    QVERIFY2(replaced.status == 0, qPrintable(replaced.err));
    QCOMPARE(rows(server), original);

    const CliProcess::Run missing = copy(m_dir.filePath(QStringLiteral("none.mdb")), m_url, true);
    QCOMPARE(missing.status, 1);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("none.mdb"))));
}

void TestRecordServer::exportedFieldNamesAreTheFilesOnes()
{
    // The workbook of the records has the same header row from either engine.
    const RecordStore file = RecordStore::onFile(m_dir.filePath(QStringLiteral("names.mdb")));
    const RecordStore server(m_dir.path(), m_server->databaseUrl(m_database));
    for (const RecordStore *store : {&file, &server})
        QVERIFY(store->insertRecord(record("198.18.0.1", "M1", "a")));
    const Result<RecordTableDump> fromFile = RecordTableDump::read(file);
    const Result<RecordTableDump> fromServer = RecordTableDump::read(server);
    QVERIFY2(fromFile && fromServer, qPrintable(fromFile.error() + fromServer.error()));
    QCOMPARE(fromServer->fieldNames, fromFile->fieldNames);
    QCOMPARE(fromServer->rows.size(), 1);
}

QTEST_GUILESS_MAIN(TestRecordServer)
#include "TestRecordServer.moc"
