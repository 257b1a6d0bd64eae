#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/CliProcess.h"

// netkestrel-cli records, run as a script would run it.
class TestRecordsCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void addListModifyFindDelete();
    void refusalsAndUsage_data();
    void refusalsAndUsage();

private:
    struct Run
    {
        int status;
        QString out;
        QString err;
    };
    Run run(QStringList arguments);

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRecordsCli::initTestCase()
{
    m_program = CliProcess::program();
    QVERIFY2(QFile::exists(m_program), qPrintable(m_program));
    QProcess probe;
    probe.start(m_program, {QStringLiteral("records"), QStringLiteral("--help")});
    QVERIFY(probe.waitForFinished(30000));
    if (probe.exitCode() != 0)
        QSKIP("this netkestrel-cli has no records command");
}

void TestRecordsCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

TestRecordsCli::Run TestRecordsCli::run(QStringList arguments)
{
    arguments.prepend(QStringLiteral("records"));
    if (!arguments.contains(QStringLiteral("--data-dir")))
        arguments << QStringLiteral("--data-dir") << m_dir->path();
    const CliProcess::Run run = CliProcess::run(arguments, 30000);
    return {run.status, run.out, run.err};
}

void TestRecordsCli::addListModifyFindDelete()
{
    Run r = run({"list"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString());

    r = run(
        {"add", "--ip", "10.0.0.1", "--mac", "00-0a-e4-20-53-55", "--host", "pc\tone", "--comments", " c "});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("1\n"));
    QVERIFY(r.err.contains(QStringLiteral("Successfully saved")));
    QCOMPARE(run({"add", "--ip", "10.0.0.2", "--mac", "00-00-00-00-00-02"}).status, 0);

    r = run({"list"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("1\t10.0.0.1\t00-0A-E4-20-53-55\tpc one\t\t\t\t\t\tc\t1\n"
                                   "2\t10.0.0.2\t00-00-00-00-00-02\t\t\t\t\t\t\t\t2\n"));

    r = run({"modify", "2", "--user", "jdoe"});
    QCOMPARE(r.status, 0);
    r = run({"find", "JDOE"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("2\t10.0.0.2\t00-00-00-00-00-02\t\t\tjdoe\t\t\t\t\t2\n"));
    r = run({"find", "JDOE", "--case"});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains(QString::fromUtf8("已搜索指定区域!")));

    r = run({"delete", "1", "2", "99"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.contains(QStringLiteral("Successfully deleted 2 records ")));
    QCOMPARE(run({"list"}).out, QString());
}

void TestRecordsCli::refusalsAndUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("bad ip") << QStringList{"add", "--ip", "10.0.0.256", "--mac", "00-00-00-00-00-09"} << 1
                            << "Invalid IP address.";
    QTest::newRow("empty mac") << QStringList{"add", "--ip", "10.0.0.9"} << 1 << "IP & MAC can not be empty!";
    QTest::newRow("ip taken") << QStringList{"add", "--ip", "10.0.0.5", "--mac", "00-00-00-00-00-09"} << 1
                              << "[10.0.0.5] already exists in Record. This IP";
    QTest::newRow("modify gone") << QStringList{"modify", "42", "--host", "x"} << 1 << "no longer exists";
    QTest::newRow("delete unknown") << QStringList{"delete", "42"} << 1 << "No records were selected.";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << "unknown command";
    QTest::newRow("modify without id") << QStringList{"modify"} << 2 << "modify takes one record ID.";
    QTest::newRow("modify bad id") << QStringList{"modify", "abc"} << 2 << "is no record ID";
    QTest::newRow("unknown option") << QStringList{"list", "--bogus"} << 2 << "bogus";
    QTest::newRow("find without text") << QStringList{"find"} << 2 << "find takes one search text.";
}

void TestRecordsCli::refusalsAndUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    QCOMPARE(run({"add", "--ip", "10.0.0.5", "--mac", "00-00-00-00-00-05"}).status, 0);
    const Run r = run(arguments);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(run({"list"}).out.count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestRecordsCli)
#include "TestRecordsCli.moc"
