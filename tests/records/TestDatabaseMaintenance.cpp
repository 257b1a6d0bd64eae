#include "records/DatabaseMaintenance.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

// Backup, recovery and compaction on real files in a temporary data folder,
// through the engine and through netkestrel-cli db.
class TestDatabaseMaintenance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void backupName_data();
    void backupName();
    void backupHoldsTheRecords();
    void backupOfTheSameSecondIsReplaced();
    void recoveryRestoresABackup();
    void recoveryRefuses_data();
    void recoveryRefuses();
    void compactionRemovesALeftoverScratchFile();
    void failureBeforeTheRenameKeepsTheDatabase_data();
    void failureBeforeTheRenameKeepsTheDatabase();
    void commandLine();
    void writersBesideMaintenance_data();
    void writersBesideMaintenance();
    void recoveryReplacesAStoreThatIsNoDatabase();
    void leftoverScratchFilesAreRemoved_data();
    void leftoverScratchFilesAreRemoved();

private:
    // The IP addresses of the records in a database file, read by the store
    // from a copy in a folder of its own.
    static QStringList ipsIn(const QString &databaseFile);
    QStringList folderEntries() const;
    QByteArray databaseBytes() const;
    void addThree();

    std::unique_ptr<RecordFixture> m_f;
};

namespace {

const QDateTime Moment(QDate(2026, 12, 6), QTime(23, 53, 6));

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Readable and writable by its owner, by no one else.
bool ownerOnly(const QString &path)
{
    const QFileDevice::Permissions permissions = QFile::permissions(path);
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    return permissions.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner) && !(permissions & others);
}

// Records that make the file differ from a backup of the three and give a
// rebuild work to do.
const QString Filler = QStringLiteral(
    "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k "
    "< 1500) INSERT INTO T_Record (IPAddress, Comments) SELECT "
    "'198.19.255.1', hex(randomblob(150)) FROM n");

// A process of the test's own with one connection to the database, open
// from its start until it is killed (when the object goes), that runs the
// statements it is sent, a line each, through the SQLite library: a writer of
// another process, whose file is the one it opened.
class WriterProcess
{
public:
    explicit WriterProcess(const QString &databasePath)
    {
        int commands[2];
        if (::pipe(commands) != 0 || ::pipe(m_replies) != 0)
            return;
        const QByteArray path = QFile::encodeName(databasePath);
        if ((m_pid = ::fork()) == 0) {
            sqlite3 *db = nullptr;
            sqlite3_open(path.constData(), &db);
            sqlite3_busy_timeout(db, 2000);
            FILE *in = ::fdopen(commands[0], "r");
            char statement[4096];
            while (std::fgets(statement, sizeof statement, in)) {
                const char ran = sqlite3_exec(db, statement, nullptr, nullptr, nullptr) == SQLITE_OK ? '1'
                                                                                                     : '0';
                if (::write(m_replies[1], &ran, 1) != 1)
                    break;
            }
            ::_exit(0);
        }
        m_commands = commands[1];
    }
    ~WriterProcess()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

    // Whether the statements ran without an error.
    bool run(const QByteArray &statements)
    {
        char ran = '0';
        const QByteArray line = statements + '\n';
        return m_pid > 0 && ::write(m_commands, line.constData(), line.size()) == line.size() &&
               ::read(m_replies[0], &ran, 1) == 1 && ran == '1';
    }

private:
    pid_t m_pid = -1;
    int m_commands = -1;
    int m_replies[2] = {-1, -1};
};

} // namespace

void TestDatabaseMaintenance::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
}

QStringList TestDatabaseMaintenance::ipsIn(const QString &databaseFile)
{
    QTemporaryDir other;
    if (!QFile::copy(databaseFile, RecordStore::databasePath(other.path())))
        return {QStringLiteral("(no copy)")};
    const Result<QList<PresetRecord>> records = RecordStore(other.path()).loadAll();
    if (!records)
        return {records.error()};
    QStringList ips;
    for (const PresetRecord &record : *records)
        ips.append(record.ipAddress);
    return ips;
}

QStringList TestDatabaseMaintenance::folderEntries() const
{
    return QDir(m_f->folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray TestDatabaseMaintenance::databaseBytes() const
{
    return readAll(m_f->databasePath());
}

void TestDatabaseMaintenance::addThree()
{
    m_f->add(QStringLiteral("198.18.0.1"), QStringLiteral("00-0A-E4-00-00-01"), QStringLiteral("a"));
    m_f->add(QStringLiteral("198.18.0.2"), QStringLiteral("00-0A-E4-00-00-02"), QStringLiteral("b"));
    m_f->add(QStringLiteral("198.18.0.3"), QStringLiteral("00-0A-E4-00-00-03"), QStringLiteral("c"));
}

void TestDatabaseMaintenance::backupName_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("name");
    QTest::newRow("late evening") << Moment << "2026-12-06_23-53-06_Backup.KSBK";
    QTest::newRow("single digits") << QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))
                                   << "2027-01-02_03-04-05_Backup.KSBK";
    QTest::newRow("afternoon is 24-hour")
        << QDateTime(QDate(2026, 7, 31), QTime(13, 0, 0)) << "2026-07-31_13-00-00_Backup.KSBK";
    QTest::newRow("midnight") << QDateTime(QDate(2026, 2, 28), QTime(0, 0, 59))
                              << "2026-02-28_00-00-59_Backup.KSBK";
}

void TestDatabaseMaintenance::backupName()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, name);
    QCOMPARE(DatabaseMaintenance::backupFileName(when), name);
    addThree();
    const Result<QString> path = DatabaseMaintenance(m_f->folder()).backup(when);
    QVERIFY2(path.ok(), qPrintable(path.error()));
    QCOMPARE(*path, QDir(m_f->folder()).filePath(name));
}

void TestDatabaseMaintenance::backupHoldsTheRecords()
{
    addThree();
    const Result<QString> path = DatabaseMaintenance(m_f->folder()).backup(Moment);
    QVERIFY2(path.ok(), qPrintable(path.error()));
    QCOMPARE(ipsIn(*path), QStringList({"198.18.0.1", "198.18.0.2", "198.18.0.3"}));
    QVERIFY(ownerOnly(*path));
    // Nothing but the database and its backup: no temporary file is left.
    QCOMPARE(folderEntries(), QStringList({DatabaseMaintenance::backupFileName(Moment), "kestrel.mdb"}));
}

void TestDatabaseMaintenance::backupOfTheSameSecondIsReplaced()
{
    addThree();
    const DatabaseMaintenance maintenance(m_f->folder());
    QVERIFY(maintenance.backup(Moment).ok());
    m_f->add(QStringLiteral("198.18.0.4"), QStringLiteral("00-0A-E4-00-00-04"));
    const Result<QString> second = maintenance.backup(Moment);
    QVERIFY2(second.ok(), qPrintable(second.error()));
    QCOMPARE(ipsIn(*second).size(), 4);
    QCOMPARE(folderEntries().size(), 2);
}

void TestDatabaseMaintenance::recoveryRestoresABackup()
{
    addThree();
    const DatabaseMaintenance maintenance(m_f->folder());
    const Result<QString> backup = maintenance.backup(Moment);
    QVERIFY(backup.ok());
    QCOMPARE(m_f->store().deleteRecords({2}).ok(), true);
    m_f->add(QStringLiteral("198.18.0.9"), QStringLiteral("00-0A-E4-00-00-09"));

    const Result<> recovered = maintenance.recover(*backup);
    QVERIFY2(recovered.ok(), qPrintable(recovered.error()));
    QCOMPARE(ipsIn(m_f->databasePath()), QStringList({"198.18.0.1", "198.18.0.2", "198.18.0.3"}));
    // The record list, reloaded, shows the restored records.
    QVERIFY(m_f->commands().addLIST());
    QCOMPARE(m_f->list().count(), 3);
    QVERIFY(ownerOnly(m_f->databasePath()));
    QCOMPARE(folderEntries(), QStringList({DatabaseMaintenance::backupFileName(Moment), "kestrel.mdb"}));
}

void TestDatabaseMaintenance::recoveryRefuses_data()
{
    QTest::addColumn<QStringList>("statements"); // make a SQLite file when not empty
    QTest::addColumn<QByteArray>("bytes");       // else a file with these bytes
    QTest::addColumn<QString>("message");
    const QString notOurs = QStringLiteral("The file is not a record database of Netkestrel.");
    QTest::newRow("text file") << QStringList() << QByteArray("198.18.0.1,00-0A-E4-00-00-01\r\n") << notOurs;
    QTest::newRow("empty file") << QStringList() << QByteArray() << notOurs;
    QTest::newRow("other tables") << QStringList{"CREATE TABLE customers (id INTEGER, name TEXT)",
                                                 "INSERT INTO customers VALUES (1, 'x')"}
                                  << QByteArray() << notOurs;
    QTest::newRow("records without options")
        << QStringList{"CREATE TABLE T_Record (ID INTEGER PRIMARY KEY, IPAddress TEXT)"} << QByteArray()
        << notOurs;
    QTest::newRow("newer version") << QStringList{"CREATE TABLE T_Record (ID INTEGER PRIMARY KEY)",
                                                  "CREATE TABLE T_set (check1 SMALLINT)",
                                                  "PRAGMA user_version = 999"}
                                   << QByteArray() << notOurs;
}

void TestDatabaseMaintenance::recoveryRefuses()
{
    QFETCH(QStringList, statements);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    addThree();
    const QByteArray before = databaseBytes();

    QTemporaryDir elsewhere;
    const QString file = elsewhere.filePath(QStringLiteral("chosen.KSBK"));
    if (statements.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("refused"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        {
            QSqlQuery query(db);
            for (const QString &statement : std::as_const(statements))
                QVERIFY2(query.exec(statement), qPrintable(statement));
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("refused"));
    }

    const Result<> recovered = DatabaseMaintenance(m_f->folder()).recover(file);
    QVERIFY(!recovered.ok());
    QVERIFY2(recovered.error().startsWith(message), qPrintable(recovered.error()));
    QCOMPARE(databaseBytes(), before);
    QCOMPARE(folderEntries(), QStringList({"kestrel.mdb"}));
}

void TestDatabaseMaintenance::compactionRemovesALeftoverScratchFile()
{
    addThree();
    // Space to reclaim: many records written and deleted again.
    QStringList fill{QStringLiteral("BEGIN")};
    for (int k = 0; k < 2000; ++k)
        fill.append(QStringLiteral("INSERT INTO T_Record (IPAddress, Comments) VALUES ('198.19.0.1', '%1')")
                        .arg(QString(200, QLatin1Char('x'))));
    fill.append(QStringLiteral("DELETE FROM T_Record WHERE IPAddress = '198.19.0.1'"));
    fill.append(QStringLiteral("COMMIT"));
    QVERIFY(m_f->exec(fill));
    const qint64 bloated = QFileInfo(m_f->databasePath()).size();
    const DatabaseMaintenance maintenance(m_f->folder());
    QFile leftover(maintenance.scratchPath());
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("left by an earlier run that was cut off");
    leftover.close();

    const Result<> compacted = maintenance.compact();
    QVERIFY2(compacted.ok(), qPrintable(compacted.error()));
    QVERIFY(QFileInfo(m_f->databasePath()).size() < bloated);
    QCOMPARE(ipsIn(m_f->databasePath()), QStringList({"198.18.0.1", "198.18.0.2", "198.18.0.3"}));
    QCOMPARE(folderEntries(), QStringList({"kestrel.mdb"}));
    QVERIFY(ownerOnly(m_f->databasePath()));
}

void TestDatabaseMaintenance::failureBeforeTheRenameKeepsTheDatabase_data()
{
    QTest::addColumn<bool>("compaction"); // else recovery
    QTest::newRow("compaction") << true;
    QTest::newRow("recovery") << false;
}

void TestDatabaseMaintenance::failureBeforeTheRenameKeepsTheDatabase()
{
    QFETCH(bool, compaction);
    addThree();
    DatabaseMaintenance maintenance(m_f->folder());
    const Result<QString> backup = maintenance.backup(Moment);
    QVERIFY(backup.ok());
    m_f->add(QStringLiteral("198.18.0.4"), QStringLiteral("00-0A-E4-00-00-04"));
    const QByteArray before = databaseBytes();
    const QStringList entries = folderEntries();
    bool hookRan = false;
    maintenance.setBeforeReplace([&]() -> Result<> {
        hookRan = true;
        return Failure{QStringLiteral("Injected failure.")};
    });

    const Result<> done = compaction ? maintenance.compact() : maintenance.recover(*backup);
    QVERIFY(hookRan);
    QVERIFY(!done.ok());
    QVERIFY2(done.error().endsWith(QLatin1String("Injected failure.")), qPrintable(done.error()));
    QCOMPARE(databaseBytes(), before);
    QCOMPARE(ipsIn(m_f->databasePath()).size(), 4);
    QCOMPARE(folderEntries(), entries);
}

void TestDatabaseMaintenance::commandLine()
{
    addThree();
    const QString dataDir = QStringLiteral("--data-dir");
    const QString folder = m_f->folder();

    CliProcess::Run run = CliProcess::run({"db", "backup", dataDir, folder});
    QCOMPARE(run.status, 0);
    QStringList backups = QDir(folder).entryList({QStringLiteral("*_Backup.KSBK")}, QDir::Files);
    QCOMPARE(backups.size(), 1);
    const QString backup = QDir(folder).filePath(backups.first());
    QCOMPARE(run.err.trimmed(), QStringLiteral("Notice: Database is successfully backup to:") + backup);

    m_f->add(QStringLiteral("198.18.0.4"), QStringLiteral("00-0A-E4-00-00-04"));
    run = CliProcess::run({"db", "recover", backup, dataDir, folder});
    QCOMPARE(run.status, 2); // the question is answered by naming --yes
    QCOMPARE(ipsIn(m_f->databasePath()).size(), 4);

    const QString text = m_f->filePath(QStringLiteral("notes.KSBK"));
    QFile notes(text);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("not a database\n");
    notes.close();
    run = CliProcess::run({"db", "recover", text, "--yes", dataDir, folder});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QLatin1String("The file is not a record database of Netkestrel.")),
             qPrintable(run.err));
    QCOMPARE(ipsIn(m_f->databasePath()).size(), 4);

    run = CliProcess::run({"db", "recover", backup, "--yes", dataDir, folder});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err.trimmed(), QStringLiteral("Notice: Complete Database Recovery!"));
    QCOMPARE(ipsIn(m_f->databasePath()).size(), 3);

    run = CliProcess::run({"db", "compact", dataDir, folder});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err.trimmed(), QStringLiteral("Notice: Successfully compress database!"));
    QCOMPARE(ipsIn(m_f->databasePath()).size(), 3);

    QCOMPARE(CliProcess::run({"db", "shrink", dataDir, folder}).status, 2);
    QCOMPARE(CliProcess::run({"db", "compact", "extra", dataDir, folder}).status, 2);
    QCOMPARE(CliProcess::run({"db"}).status, 2);
}

void TestDatabaseMaintenance::writersBesideMaintenance_data()
{
    QTest::addColumn<bool>("recovery"); // else compaction
    QTest::addColumn<int>("records");   // after it, those of the writers left out
    QTest::newRow("compaction") << false << 3 + 1500;
    QTest::newRow("recovery") << true << 3;
}

// One writer opened the store before and writes after the maintenance: into
// the store, not into a file that no longer is one. Another was killed in
// the middle of a transaction bigger than its page cache, so that changed
// pages had reached the file and its journal is hot: it is rolled back
// before the maintenance, never into its result. Then records are added one
// after another while compactions or recoveries run again and again beside
// them, in processes of their own: an add reported done must be in the
// store; after a recovery, every one from the first that is there on (the
// last add comes after the last run).
void TestDatabaseMaintenance::writersBesideMaintenance()
{
    QFETCH(bool, recovery);
    QFETCH(int, records);
    addThree();
    const Result<QString> backup = DatabaseMaintenance(m_f->folder()).backup(Moment);
    QVERIFY(backup.ok() && m_f->exec(Filler));
    WriterProcess opened(m_f->databasePath());
    QVERIFY(opened.run("SELECT COUNT(*) FROM T_Record"));
    {
        WriterProcess killed(m_f->databasePath());
        QVERIFY(killed.run("PRAGMA cache_size = 8; BEGIN IMMEDIATE; UPDATE T_Record SET Comments = 'x'"));
    }
    // Hot: the journal's header is complete (its magic number written).
    QVERIFY(readAll(m_f->databasePath() + QStringLiteral("-journal"))
                .startsWith("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7"));

    const QStringList store{QStringLiteral("--data-dir"), m_f->folder()};
    const QStringList maintain =
        (recovery ? QStringList{"db", "recover", *backup, "--yes"} : QStringList{"db", "compact"}) + store;
    const CliProcess::Run first = CliProcess::run(maintain);
    QVERIFY2(first.status == 0, qPrintable(first.err));
    QVERIFY(opened.run("INSERT INTO T_Record (IPAddress) VALUES ('198.19.2.9')"));
    QCOMPARE(m_f->column(QStringLiteral("PRAGMA integrity_check")), QVariantList{"ok"});
    QCOMPARE(m_f->column(QStringLiteral("SELECT COUNT(*) FROM T_Record WHERE Comments IS NOT 'x'")),
             QVariantList{records + 1});
    QCOMPARE(ipsIn(m_f->databasePath()).last(), QStringLiteral("198.19.2.9"));

    QStringList saved;
    const auto add = [&](int k) {
        const QString ip = QStringLiteral("198.19.%1.%2").arg(k / 200).arg(k % 200 + 1);
        const CliProcess::Run run =
            CliProcess::run(QStringList{"records", "add", "--ip", ip, "--mac",
                                        QStringLiteral("02-00-00-00-00-%1").arg(k, 2, 16, QLatin1Char('0'))} +
                            store);
        if (run.status == 0)
            saved.append(ip);
        else
            QVERIFY2(run.err.contains(QLatin1String("database is locked")), qPrintable(run.err));
    };
    QProcess maintenance;
    int runs = 0;
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    int k = 1;
    for (; k < 255 && clock.elapsed() < 2500; ++k) {
        if (maintenance.state() == QProcess::NotRunning || maintenance.waitForFinished(0)) {
            failed += runs++ > 0 && maintenance.exitCode() != 0;
            CliProcess::start(maintenance, maintain);
        }
        add(k);
    }
    QCOMPARE(CliProcess::finish(maintenance).status, 0);
    add(k);
    QCOMPARE(failed, 0);
    QVERIFY(runs >= 2);

    QCOMPARE(m_f->column(QStringLiteral("PRAGMA integrity_check")), QVariantList{"ok"});
    const QStringList present = ipsIn(m_f->databasePath()).filter(QRegularExpression("^198\\.19\\.[01]\\."));
    QVERIFY(!present.isEmpty());
    QCOMPARE(present, recovery ? saved.mid(saved.size() - present.size()) : saved);
}

// No process can have it open as a database; a journal beside it is stale.
void TestDatabaseMaintenance::recoveryReplacesAStoreThatIsNoDatabase()
{
    addThree();
    const DatabaseMaintenance maintenance(m_f->folder());
    const Result<QString> backup = maintenance.backup(Moment);
    QVERIFY(backup.ok());
    for (const QString &path : {m_f->databasePath(), m_f->databasePath() + QStringLiteral("-journal")}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(QByteArray(4096, 'x')) > 0);
    }
    const Result<> recovered = maintenance.recover(*backup);
    QVERIFY2(recovered.ok(), qPrintable(recovered.error()));
    QCOMPARE(ipsIn(m_f->databasePath()), QStringList({"198.18.0.1", "198.18.0.2", "198.18.0.3"}));
    QCOMPARE(folderEntries(), QStringList({DatabaseMaintenance::backupFileName(Moment), "kestrel.mdb"}));
}

void TestDatabaseMaintenance::leftoverScratchFilesAreRemoved_data()
{
    QTest::addColumn<int>("operation"); // 0 backup, 1 recovery, 2 compaction
    QTest::newRow("backup") << 0;
    QTest::newRow("recovery") << 1;
    QTest::newRow("compaction") << 2;
}

// One file left by a killed run, one that another run holds and writes now.
void TestDatabaseMaintenance::leftoverScratchFilesAreRemoved()
{
    QFETCH(int, operation);
    addThree();
    const DatabaseMaintenance maintenance(m_f->folder());
    const Result<QString> backup = maintenance.backup(Moment);
    QFile held(m_f->filePath(QStringLiteral(".kestrel-Zz0000.tmp")));
    QVERIFY(backup.ok() && QFile::copy(*backup, m_f->filePath(QStringLiteral(".kestrel-Ab3dE9.tmp"))));
    QVERIFY(held.open(QIODevice::WriteOnly) && ::flock(held.handle(), LOCK_EX) == 0);

    QVERIFY(operation == 0   ? maintenance.backup(Moment).ok()
            : operation == 1 ? maintenance.recover(*backup).ok()
                             : maintenance.compact().ok());
    QCOMPARE(folderEntries(), QStringList({".kestrel-Zz0000.tmp", DatabaseMaintenance::backupFileName(Moment),
                                           "kestrel.mdb"}));
}

QTEST_GUILESS_MAIN(TestDatabaseMaintenance)
#include "TestDatabaseMaintenance.moc"
