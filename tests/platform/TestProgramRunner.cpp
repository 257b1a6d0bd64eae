#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <chrono>

#include "platform/ProcessProgramRunner.h"
#include "tests/support/ScriptedProgramRunner.h"

using namespace std::chrono_literals;
using Status = ProgramOutcome::Status;

Q_DECLARE_METATYPE(ProgramOutcome::Status)

namespace {

bool processAlive(qint64 pid)
{
    // A killed process that nobody has reaped yet is a zombie: it runs no more.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype afterName = line.lastIndexOf(')');
    return afterName > 0 && line.mid(afterName + 2, 1) != "Z";
}

} // namespace

class TestProgramRunner : public QObject
{
    Q_OBJECT

private slots:
    void realRun_data();
    void realRun();
    void timeOutKillsTheProcessGroup();
    void notInstalled_data();
    void notInstalled();
    void environmentPassesThrough();
    void scriptedAnswersByProgramThenInOrder();
};

void TestProgramRunner::realRun_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("standardOutput");
    QTest::addColumn<QByteArray>("standardError");

    QTest::newRow("true") << "/bin/true" << QStringList() << QByteArray() << Status::Finished << 0
                          << QByteArray() << QByteArray();
    const QByteArray lines = "first line\nsecond\0line\n" + QByteArray(200000, 'x');
    QTest::newRow("cat echoes its input")
        << "cat" << QStringList() << lines << Status::Finished << 0 << lines << QByteArray();
    QTest::newRow("error output and exit status")
        << "sh" << QStringList{"-c", "echo out; echo x >&2; exit 3"} << QByteArray() << Status::Finished << 3
        << QByteArray("out\n") << QByteArray("x\n");
    QTest::newRow("arguments reach it as they are, no shell")
        << "printf" << QStringList{"[%s]\n", "a b", "$HOME;*", "\"'"} << QByteArray() << Status::Finished << 0
        << QByteArray("[a b]\n[$HOME;*]\n[\"']\n") << QByteArray();
    QTest::newRow("crash") << "sh" << QStringList{"-c", "echo before; kill -TERM $$"} << QByteArray()
                           << Status::Crashed << 0 << QByteArray("before\n") << QByteArray();
    QTest::newRow("time-out keeps what was written")
        << "sh" << QStringList{"-c", "echo started; exec sleep 10"} << QByteArray() << Status::TimedOut << 0
        << QByteArray("started\n") << QByteArray();
}

void TestProgramRunner::realRun()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);

    ProcessProgramRunner runner;
    QElapsedTimer clock;
    clock.start();
    const ProgramOutcome outcome = runner.run({program, arguments, input, 1000ms});

    QTEST(outcome.status, "status");
    QTEST(outcome.exitCode, "exitCode");
    QTEST(outcome.standardOutput, "standardOutput");
    QTEST(outcome.standardError, "standardError");
    // A time-out ends the run; generous, as the machine may be busy.
    QVERIFY(clock.elapsed() < 8000);
}

void TestProgramRunner::timeOutKillsTheProcessGroup()
{
    ProcessProgramRunner runner;
    QElapsedTimer clock;
    clock.start();
    const ProgramOutcome outcome = runner.run({"sh", {"-c", "sleep 10 & echo $!; sleep 10"}, {}, 200ms});
    QCOMPARE(outcome.status, Status::TimedOut);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));

    bool isNumber = false;
    const qint64 child = outcome.standardOutput.trimmed().toLongLong(&isNumber);
    QVERIFY2(isNumber, outcome.standardOutput.constData());
    // The program's own child went with it.
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(child), 2000);
}

void TestProgramRunner::notInstalled_data()
{
    QTest::addColumn<QString>("program");

    QTest::newRow("not on PATH") << "netkestrel-no-such-program";
    QTest::newRow("no such path") << "/nonexistent/netkestrel/tool";
    QTest::newRow("a folder") << "/tmp/";
    QTest::newRow("not executable") << QString::fromLatin1(NETKESTREL_TEST_SOURCE);
    QTest::newRow("empty") << QString();
}

void TestProgramRunner::notInstalled()
{
    QFETCH(QString, program);
    ProcessProgramRunner runner;
    const ProgramOutcome outcome = runner.run({program, {"--version"}, "input", 1000ms});
    QCOMPARE(outcome.status, Status::NotInstalled);
    QVERIFY(!outcome.succeeded());
    QVERIFY(ProcessProgramRunner::resolve(program).isEmpty());
}

void TestProgramRunner::environmentPassesThrough()
{
    qputenv("NETKESTREL_RUNNER_PROBE", "value with blanks");
    ProcessProgramRunner runner;
    const ProgramOutcome outcome =
        runner.run({"sh", {"-c", "echo \"$NETKESTREL_RUNNER_PROBE\""}, {}, 1000ms});
    qunsetenv("NETKESTREL_RUNNER_PROBE");
    QVERIFY(outcome.succeeded());
    QCOMPARE(outcome.standardOutput, QByteArray("value with blanks\n"));

    // Entries of the run itself are added for that run only.
    const ProgramOutcome added = runner.run({"sh",
                                             {"-c", "echo \"$NETKESTREL_RUNNER_SECRET|$HOME\""},
                                             {},
                                             1000ms,
                                             {"NETKESTREL_RUNNER_SECRET=a=b c"}});
    QCOMPARE(added.standardOutput, "a=b c|" + qgetenv("HOME") + "\n");
    QVERIFY(!qEnvironmentVariableIsSet("NETKESTREL_RUNNER_SECRET"));
}

void TestProgramRunner::scriptedAnswersByProgramThenInOrder()
{
    ScriptedProgramRunner runner;
    runner.queueOutcome(ScriptedProgramRunner::finished(0, "first"));
    runner.queueOutcome(ScriptedProgramRunner::finished(1, {}, "second"));
    runner.queueOutcome("net", ScriptedProgramRunner::withStatus(Status::TimedOut));

    const ProgramOutcome smb = runner.run({"smbclient", {"-M", "PC1"}, "hello\n", 5000ms});
    const ProgramOutcome net = runner.run({"net", {"rpc", "shutdown"}, {}, 1000ms});
    const ProgramOutcome again = runner.run({"net", {"rpc", "abortshutdown"}, {}, 1000ms});
    const ProgramOutcome none = runner.run({"xfreerdp", {}, {}, 1000ms});

    QCOMPARE(smb.standardOutput, QByteArray("first"));
    QCOMPARE(net.status, Status::TimedOut);
    QCOMPARE(again.exitCode, 1);
    QCOMPARE(again.standardError, QByteArray("second"));
    QCOMPARE(none.status, Status::NotInstalled);
    QCOMPARE(runner.pendingOutcomes(), 0);

    QCOMPARE(runner.runs().size(), 4);
    QCOMPARE(runner.runs().at(0).program, QStringLiteral("smbclient"));
    QCOMPARE(runner.runs().at(0).arguments, QStringList({"-M", "PC1"}));
    QCOMPARE(runner.runs().at(0).input, QByteArray("hello\n"));
    QCOMPARE(runner.runs().at(0).timeout, 5000ms);
    QCOMPARE(runner.lastRun().program, QStringLiteral("xfreerdp"));
}

QTEST_GUILESS_MAIN(TestProgramRunner)
#include "TestProgramRunner.moc"
