#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "lists/ScanRow.h"
#include "platform/SettingsSection.h"
#include "tests/support/ScriptedProgramRunner.h"
#include "tools/ComputerList.h"
#include "tools/RemoteShutdown.h"
#include "tools/ShutdownOptions.h"

#include <QTemporaryDir>
#include <QTest>

// Remote shutdown over a scripted net: the command lines, where the password
// goes, the delay rule, the options store and the computer picker's list.
class TestRemoteShutdown : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void requests_data();
    void requests();
    void outcomes();
    void delays_data();
    void delays();
    void texts();
    void options();
    void computers();

private:
    QTemporaryDir m_config;
};

void TestRemoteShutdown::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestRemoteShutdown::requests_data()
{
    QTest::addColumn<bool>("abort");
    QTest::addColumn<ShutdownRequest>("request");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("address, all options")
        << false << ShutdownRequest{"198.18.7.10", "bye now", 45, true, true} << "admin"
        << QStringList{"rpc", "shutdown", "--ipaddress=198.18.7.10", "--user=admin",
                       "-t",  "45",       "--comment=bye now",       "-f",
                       "-r"};
    QTest::newRow("picked name, no message, delay 0 sent as the shortest")
        << false << ShutdownRequest{"\\\\ALPHA10", "", 0, false, false} << "LAB\\admin"
        << QStringList{"rpc", "shutdown", "--server=ALPHA10", "--user=LAB\\admin", "-t", "1"};
    QTest::newRow("no account") << false << ShutdownRequest{"ALPHA10", "", 30, false, true} << ""
                                << QStringList{"rpc", "shutdown", "--server=ALPHA10", "-N", "-t", "30", "-r"};
    // Typed values that look like options stay values of their own option.
    QTest::newRow("values like options")
        << false << ShutdownRequest{"--debuglevel=10", "-f", 5, false, false} << "-N"
        << QStringList{"rpc", "shutdown", "--server=--debuglevel=10", "--user=-N", "-t", "5", "--comment=-f"};
    QTest::newRow("abort") << true << ShutdownRequest{"198.18.7.10"} << "admin"
                           << QStringList{"rpc", "abortshutdown", "--ipaddress=198.18.7.10", "--user=admin"};
}

void TestRemoteShutdown::requests()
{
    QFETCH(bool, abort);
    QFETCH(ShutdownRequest, request);
    QFETCH(QString, user);
    QFETCH(QStringList, arguments);
    ScriptedProgramRunner runner;
    runner.queueOutcome("net", ScriptedProgramRunner::finished(0, "Shutdown of remote machine succeeded\n"));
    const ShutdownAccount account{user, QStringLiteral("s3cret pass")};
    const RemoteShutdown shutdown(runner);
    QVERIFY(abort ? shutdown.abort(request.target, account).succeeded
                  : shutdown.shutdown(request, account).succeeded);
    QCOMPARE(runner.lastRun().program, "net");
    QCOMPARE(runner.lastRun().arguments, arguments);
    // The password never shows on the command line, only in net's environment.
    QVERIFY(!runner.lastRun().arguments.join(' ').contains("s3cret"));
    QCOMPARE(runner.lastRun().environment,
             user.isEmpty() ? QStringList() : QStringList{QStringLiteral("PASSWD=s3cret pass")});
}

void TestRemoteShutdown::outcomes()
{
    ScriptedProgramRunner runner;
    runner.queueOutcome(
        "net", ScriptedProgramRunner::finished(255, {},
                                               "Could not connect to server 198.18.7.10\nConnection failed: "
                                               "NT_STATUS_LOGON_FAILURE\n"));
    runner.queueOutcome("net", ScriptedProgramRunner::withStatus(ProgramOutcome::Status::TimedOut));
    const RemoteShutdown shutdown(runner);
    const ShutdownAccount account{"admin", "wrong"};
    ShutdownOutcome result = shutdown.shutdown({"198.18.7.10"}, account);
    QVERIFY(!result.succeeded);
    QCOMPARE(result.reason, "NT_STATUS_LOGON_FAILURE");
    result = shutdown.abort("198.18.7.10", account);
    QVERIFY(!result.succeeded && !result.clientMissing);
    result = shutdown.abort("198.18.7.10", account); // nothing queued: net is not installed
    QVERIFY(result.clientMissing);
    QVERIFY(RemoteShutdown::clientMissingText().contains("samba-common-bin"));
}

void TestRemoteShutdown::delays_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("delay"); // -1: refused

    QTest::newRow("0") << "0" << 0;
    QTest::newRow("07") << "07" << 7;
    QTest::newRow("99") << "99" << 99;
    QTest::newRow("100") << "100" << -1;
    QTest::newRow("-5") << "-5" << -1;
    QTest::newRow("ab") << "ab" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("fraction") << "1.5" << -1;
    QTest::newRow("plus sign") << "+5" << -1;
}

void TestRemoteShutdown::delays()
{
    QFETCH(QString, text);
    QFETCH(int, delay);
    QCOMPARE(RemoteShutdown::parseDelay(text).value_or(-1), delay);
}

void TestRemoteShutdown::texts()
{
    QCOMPARE(
        RemoteShutdown::shutdownSentText("PC", "30"),
        "Successfully sent a shutdown request to  'PC'.  \r\nThe computer will shutdown in 30 seconds.  ");
    // Zero names 0 seconds and says what actually went.
    QVERIFY(RemoteShutdown::shutdownSentText("PC", "0").startsWith(
        "Successfully sent a shutdown request to  'PC'.  \r\nThe computer will shutdown in 0 "
        "seconds.  \r\n(A delay of 0 is sent as 1 second"));
    QCOMPARE(
        RemoteShutdown::shutdownFailedText("PC"),
        "Unable to shutdown  'PC'.  Reasons may include:  \r\n\r\n1. You misspelled the computer name.\r\n"
        "2. The computer is not a Window NT computer.\r\n3. You do not have access to reboot the computer.\r\n"
        "4. The computer cannot be found on the network.");
    QCOMPARE(
        RemoteShutdown::abortFailedText("PC"),
        "Unable to abort the shutdown of  'PC'.  Reasons may include:  \r\n\r\n1. You misspelled the computer "
        "name.\r\n2. The computer is not a Window NT computer.\r\n3. You do not have access to reboot the "
        "computer.\r\n4. The computer cannot be found on the network.\r\n5. It's too late.");
    QCOMPARE(RemoteShutdown::abortSentText("PC"), "Successfully aborted the shutdown of  'PC'.  ");
    QCOMPARE(RemoteShutdown::noTargetText(true),
             "You must specify a computer before clicking the Abort button.  ");
}

void TestRemoteShutdown::options()
{
    const SettingsSection section = ShutdownOptions::section();
    const ShutdownOptions defaults = ShutdownOptions::load(section);
    QCOMPARE(defaults.delay, "30");
    QVERIFY(!defaults.force && !defaults.reboot && defaults.message.isEmpty());

    ShutdownOptions changed{true, QString(130, 'm'), "7", true};
    changed.store(section);
    QCOMPARE(section.value("IsForce"), "1");
    QCOMPARE(section.value("isreboot"), "1");
    QCOMPARE(section.value("Delay"), "7");
    const ShutdownOptions back = ShutdownOptions::load(section);
    QVERIFY(back.force && back.reboot);
    QCOMPARE(back.message, QString(127, 'm'));
    QCOMPARE(back.delay, "7");
}

void TestRemoteShutdown::computers()
{
    ScanListModel scan;
    scan.appendScanRow(ScanRow::fromFields({"1", "198.18.7.10", "00-0A-E4-00-07-0A", "ALPHA10", "LAB", ""}));
    scan.appendScanRow(ScanRow::fromFields({"", "198.18.7.11", "Non-Responded IP", "", "", ""}));
    RecordListModel records;
    records.setRecords({PresetRecord::fromFields({"198.18.7.10", "00-0A-E4-00-07-0A", "alpha10"}),
                        PresetRecord::fromFields({"198.18.7.20", "00-0A-E4-00-07-14", "BETA20"})});
    ScriptedProgramRunner runner;
    runner.queueOutcome("smbtree",
                        ScriptedProgramRunner::finished(0, "LAB\n\t\\\\GAMMA30        \tprinter room\n"
                                                           "\t\t\\\\GAMMA30\\IPC$  \tIPC Service\n"));
    runner.queueOutcome("nmblookup",
                        ScriptedProgramRunner::finished(0, "querying * on 198.18.7.255\n198.18.7.40 *<00>\n"
                                                           "Looking up status of 198.18.7.40\n"
                                                           "\tDELTA40         <00> -         B <ACTIVE> \n"
                                                           "\tLAB             <00> - <GROUP> B <ACTIVE> \n"));
    QCOMPARE(ComputerList(runner).names(scan, records),
             QStringList({"198.18.7.10", "198.18.7.11", "198.18.7.20", "198.18.7.40", "ALPHA10", "BETA20",
                          "DELTA40", "GAMMA30"}));

    ScriptedProgramRunner nothingInstalled;
    QCOMPARE(ComputerList(nothingInstalled).names(scan, RecordListModel()).size(), 3);
}

QTEST_GUILESS_MAIN(TestRemoteShutdown)
#include "TestRemoteShutdown.moc"
