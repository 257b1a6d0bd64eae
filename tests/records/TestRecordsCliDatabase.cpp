#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <list>

// netkestrel-cli records on databases that other processes use at the same
// moment, hold locked, or that are not record databases at all.
class TestRecordsCliDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void firstOpensRace();
    void duplicateAddsRace();
    void lockedStoreSaysSo_data();
    void lockedStoreSaysSo();
    void unusableFileIsReportedOnce_data();
    void unusableFileIsReportedOnce();

private:
    // Starts every command at once and waits for all of them.
    static QList<CliProcess::Run> runTogether(const QList<QStringList> &commands);

    std::unique_ptr<RecordFixture> m_f;
};

namespace {

constexpr int Rounds = 3;
constexpr int Processes = 10;

QStringList add(const QString &folder, int k, bool sameKeys)
{
    const int n = sameKeys ? 7 : k;
    return {QStringLiteral("records"),    QStringLiteral("add"),
            QStringLiteral("--ip"),       QStringLiteral("198.18.0.%1").arg(n),
            QStringLiteral("--mac"),      QStringLiteral("00-0A-E4-00-00-%1").arg(n, 2, 16, QLatin1Char('0')),
            QStringLiteral("--host"),     QStringLiteral("p%1").arg(k),
            QStringLiteral("--data-dir"), folder};
}

} // namespace

void TestRecordsCliDatabase::initTestCase()
{
    QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
}

void TestRecordsCliDatabase::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
}

QList<CliProcess::Run> TestRecordsCliDatabase::runTogether(const QList<QStringList> &commands)
{
    std::list<QProcess> processes; // QProcess cannot move
    for (const QStringList &arguments : commands)
        CliProcess::start(processes.emplace_back(), arguments);
    QList<CliProcess::Run> runs;
    for (QProcess &process : processes)
        runs.append(CliProcess::finish(process));
    return runs;
}

void TestRecordsCliDatabase::firstOpensRace()
{
    for (int round = 0; round < Rounds; ++round) {
        // A data folder without a database, not even the folder itself.
        const QString folder = m_f->filePath(QStringLiteral("race%1/data").arg(round));
        QList<QStringList> commands;
        for (int k = 1; k <= Processes; ++k)
            commands.append(add(folder, k, false));
        const QList<CliProcess::Run> runs = runTogether(commands);

        QStringList saved;
        for (const CliProcess::Run &run : runs) {
            QVERIFY2(run.status == 0, qPrintable(run.err));
            saved.append(run.out.trimmed());
        }
        const CliProcess::Run list = CliProcess::run(
            {QStringLiteral("records"), QStringLiteral("list"), QStringLiteral("--data-dir"), folder});
        QCOMPARE(list.status, 0);
        QStringList listed;
        for (const QString &line : list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            listed.append(line.section(QLatin1Char('\t'), -1));
        saved.sort();
        listed.sort();
        QCOMPARE(listed, saved);
    }
}

void TestRecordsCliDatabase::duplicateAddsRace()
{
    for (int round = 0; round < Rounds; ++round) {
        const QString folder = m_f->filePath(QStringLiteral("dup%1").arg(round));
        QVERIFY(RecordStore(folder).prepare());
        QList<QStringList> commands;
        for (int k = 1; k <= Processes; ++k)
            commands.append(add(folder, k, true));
        const QList<CliProcess::Run> runs = runTogether(commands);

        int saved = 0;
        for (const CliProcess::Run &run : runs) {
            if (run.status == 0) {
                ++saved;
                continue;
            }
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(QStringLiteral("] already exists in Record. This IP")),
                     qPrintable(run.err));
        }
        QCOMPARE(saved, 1);
        QCOMPARE(RecordStore(folder).loadAll()->size(), 1);
    }
}

void TestRecordsCliDatabase::lockedStoreSaysSo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("list") << QStringList{"list"};
    QTest::newRow("add") << QStringList{"add", "--ip", "198.18.0.2", "--mac", "00-0A-E4-00-00-02"};
    QTest::newRow("modify") << QStringList{"modify", "1", "--user", "jdoe"};
    QTest::newRow("delete") << QStringList{"delete", "1"};
}

void TestRecordsCliDatabase::lockedStoreSaysSo()
{
    QFETCH(QStringList, arguments);
    m_f->add(QStringLiteral("198.18.0.1"), QStringLiteral("00-0A-E4-00-00-01"));
    const QString before = m_f->column(QStringLiteral("SELECT User FROM T_Record")).value(0).toString();
    {
        // Another program holds the file locked for longer than the command waits.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(m_f->databasePath());
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        const CliProcess::Run run = CliProcess::run(QStringList{QStringLiteral("records")} + arguments +
                                                    QStringList{QStringLiteral("--data-dir"), m_f->folder()});
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("database is locked")), qPrintable(run.err));
        QCOMPARE(run.err.count(QStringLiteral("kestrel.mdb")), 1);
        QVERIFY(run.out.isEmpty());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    QCOMPARE(m_f->store().loadAll()->size(), 1);
    QCOMPARE(m_f->column(QStringLiteral("SELECT User FROM T_Record")).value(0).toString(), before);
}

void TestRecordsCliDatabase::unusableFileIsReportedOnce_data()
{
    QTest::addColumn<bool>("textFile");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("cause");

    const QList<QStringList> commands = {{"list"},
                                         {"add", "--ip", "198.18.0.2", "--mac", "00-0A-E4-00-00-02"},
                                         {"modify", "1", "--user", "jdoe"},
                                         {"delete", "1"},
                                         {"find", "198"}};
    for (const QStringList &command : commands) {
        QTest::addRow("text file, %s", qPrintable(command.first()))
            << true << command << "file is not a database";
        QTest::addRow("foreign database, %s", qPrintable(command.first()))
            << false << command << "no table T_Record";
    }
}

void TestRecordsCliDatabase::unusableFileIsReportedOnce()
{
    QFETCH(bool, textFile);
    QFETCH(QStringList, arguments);
    QFETCH(QString, cause);

    if (textFile) {
        QFile file(m_f->databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("10.0.0.1 pc-one\n").repeated(400));
    } else {
        QVERIFY(
            m_f->exec(QStringList{"CREATE TABLE hosts (name TEXT)", "INSERT INTO hosts VALUES ('pc-one')"}));
    }
    QFile file(m_f->databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const CliProcess::Run run = CliProcess::run(QStringList{QStringLiteral("records")} + arguments +
                                                QStringList{QStringLiteral("--data-dir"), m_f->folder()});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(cause), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("Parameter count")), qPrintable(run.err));
    QCOMPARE(run.err.count(QStringLiteral("kestrel.mdb")), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

QTEST_GUILESS_MAIN(TestRecordsCliDatabase)
#include "TestRecordsCliDatabase.moc"
