#include "tests/support/ScriptedProgramRunner.h"
#include "tools/MessageSender.h"

#include <QTest>

Q_DECLARE_METATYPE(ProgramOutcome)

// The message sender over a scripted smbclient: which destinations go out,
// how they are handed over, and how smbclient's exit and standard error are
// worded.
class TestMessageSender : public QObject
{
    Q_OBJECT

private slots:
    void destinations_data();
    void destinations();
    void outcomes_data();
    void outcomes();
    void wordings();
    void senderMissing();
};

void TestMessageSender::destinations_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QStringList>("arguments"); // empty: refused with 123, nothing run

    const QStringList none;
    QTest::newRow("address") << "198.18.7.10"
                             << QStringList{"--message=198.18.7.10", "--ip-address=198.18.7.10"};
    QTest::newRow("name") << "ALPHA10" << QStringList{"--message=ALPHA10"};
    QTest::newRow("unc name") << "\\\\ALPHA10" << QStringList{"--message=ALPHA10"};
    QTest::newRow("15 characters") << "ABCDEFGHIJKLMNO" << QStringList{"--message=ABCDEFGHIJKLMNO"};
    QTest::newRow("16 characters") << "ABCDEFGHIJKLMNOP" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("padded, not trimmed") << " ALPHA10" << QStringList{"--message= ALPHA10"};
    QTest::newRow("like an option") << "-N" << QStringList{"--message=-N"};
    QTest::newRow("control character") << "PC\tONE" << none;
    for (const char c : QByteArray("\\/:*?\"<>|"))
        QTest::addRow("forbidden %c", c) << QStringLiteral("PC%1X").arg(QLatin1Char(c)) << none;
}

void TestMessageSender::destinations()
{
    QFETCH(QString, destination);
    QFETCH(QStringList, arguments);
    ScriptedProgramRunner runner;
    runner.queueOutcome("smbclient", ScriptedProgramRunner::finished(0));
    const SendOutcome result = MessageSender(runner).send(destination, QStringLiteral("héllo\nthere"));
    if (arguments.isEmpty()) {
        QCOMPARE(result.status, MessageSender::MalformedName);
        QVERIFY(runner.runs().isEmpty());
        return;
    }
    QCOMPARE(result.status, MessageSender::Delivered);
    QCOMPARE(runner.lastRun().program, "smbclient");
    QCOMPARE(runner.lastRun().arguments, arguments);
    QCOMPARE(runner.lastRun().input, QStringLiteral("héllo\nthere").toUtf8());
}

void TestMessageSender::outcomes_data()
{
    QTest::addColumn<ProgramOutcome>("outcome");
    QTest::addColumn<int>("status");

    QTest::newRow("delivered") << ScriptedProgramRunner::finished(0) << 0;
    // Every marker of the sender's own table, in smbclient's two ways of failing.
    for (const MessageSender::ErrorMarker &marker : MessageSender::errorMarkers()) {
        const QByteArray line = QByteArray("Connection to PEER failed. Error ") + marker.text + "\n";
        QTest::addRow("exit 0, %s", marker.text)
            << ScriptedProgramRunner::finished(0, {}, line) << marker.status;
        QTest::addRow("exit 1, %s", marker.text)
            << ScriptedProgramRunner::finished(1, {}, line) << marker.status;
    }
    QTest::newRow("what smbclient says for a refused message")
        << ScriptedProgramRunner::finished(0, "Type your message, ending it with a Control-D\n",
                                           "message start: NT_STATUS_REQUEST_NOT_ACCEPTED\n")
        << 2273;
    QTest::newRow("name that does not resolve")
        << ScriptedProgramRunner::finished(1, {}, "Connection to NOBODY failed. Error NT_STATUS_NOT_FOUND\n")
        << 53;
    QTest::newRow("unknown failure") << ScriptedProgramRunner::finished(1, {}, "something else\n") << 2136;
    QTest::newRow("timed out") << ScriptedProgramRunner::withStatus(ProgramOutcome::Status::TimedOut) << 2136;
}

void TestMessageSender::outcomes()
{
    QFETCH(ProgramOutcome, outcome);
    QFETCH(int, status);
    ScriptedProgramRunner runner;
    runner.queueOutcome("smbclient", outcome);
    const SendOutcome result = MessageSender(runner).send(QStringLiteral("PEER"), {});
    QCOMPARE(result.status, status);
    QVERIFY(!result.senderMissing);
}

void TestMessageSender::wordings()
{
    // Every status worded by the table, the rest by one text.
    for (const MessageSender::Wording &w : MessageSender::wordings())
        QCOMPARE(MessageSender::wording(w.status), QLatin1String(w.text));
    QCOMPARE(MessageSender::wording(MessageSender::Delivered), "The message was successfully sent");
    QCOMPARE(MessageSender::wording(1234), "Unknown error executing command.");
    QCOMPARE(MessageSender::wording(-1), "Unknown error executing command.");
}

void TestMessageSender::senderMissing()
{
    ScriptedProgramRunner runner; // answers "not installed"
    const SendOutcome result = MessageSender(runner).send(QStringLiteral("198.18.7.10"), {});
    QVERIFY(result.senderMissing);
    QVERIFY(MessageSender::senderMissingText().contains("Debian package smbclient"));
}

QTEST_GUILESS_MAIN(TestMessageSender)
#include "TestMessageSender.moc"
