#include "CliProcess.h"
#include "DatabaseMaintenance.h"
#include "RecordFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        // The complete copy is there, under a name of its own.
        if (compaction && !QFileInfo::exists(maintenance.scratchPath()))
            return Failure{QStringLiteral("no scratch file")};
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

QTEST_GUILESS_MAIN(TestDatabaseMaintenance)
#include "TestDatabaseMaintenance.moc"
