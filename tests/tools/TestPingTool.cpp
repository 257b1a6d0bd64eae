#include "lists/RecordListModel.h"
#include "tests/support/ScriptedPrompt.h"
#include "tools/PingTool.h"

#include <QTest>

// The ping tool's choice of address and its wordings, over a scripted echo.
class TestPingTool : public QObject
{
    Q_OBJECT

private slots:
    void wordings_data();
    void wordings();
    void currentRecord_data();
    void currentRecord();
};

namespace {

PingOutcome reply(int ms)
{
    PingOutcome outcome;
    outcome.kind = PingOutcome::Kind::Reply;
    outcome.roundTripMs = ms;
    return outcome;
}

PingOutcome notSent(bool badAddress)
{
    PingOutcome outcome;
    outcome.kind = PingOutcome::Kind::NotSent;
    outcome.badAddress = badAddress;
    return outcome;
}

PingOutcome noReply(int status)
{
    PingOutcome outcome;
    outcome.kind = PingOutcome::Kind::NoReply;
    outcome.status = status;
    return outcome;
}

} // namespace

void TestPingTool::wordings_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<PingOutcome>("outcome");
    QTest::addColumn<QString>("text");
    QTest::newRow("3 ms") << "198.18.7.2" << reply(3) << "Reply from [198.18.7.2] Time 3 ms.";
    QTest::newRow("under 1 ms") << "198.18.7.2" << reply(0) << "Reply from [198.18.7.2] Time < 1 ms.";
    QTest::newRow("timed out") << "198.18.7.3" << noReply(PingStatus::TimedOut)
                               << "Ping[198.18.7.3] Request timed out.";
    QTest::newRow("unreachable") << "198.18.7.3" << noReply(PingStatus::DestinationHostUnreachable)
                                 << "Ping[198.18.7.3] Request timed out.";
    QTest::newRow("no address") << "198.18.7" << notSent(true)
                                << "Ping[198.18.7] Nothing was sent: the address is not an IPv4 address.";
}

void TestPingTool::wordings()
{
    QFETCH(QString, address);
    QFETCH(PingOutcome, outcome);
    QFETCH(QString, text);
    QCOMPARE(PingTool::wording(address, outcome), text);
}

void TestPingTool::currentRecord_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("pinged"); // empty: no echo
    QTest::addColumn<QString>("text");
    QTest::newRow("empty list") << 0 << -1 << "" << PingTool::EmptyListText;
    QTest::newRow("no current row") << 3 << -1 << "" << PingTool::NoCurrentRowText;
    QTest::newRow("second row") << 3 << 1 << "198.18.7.11"
                                << "Reply from [198.18.7.11] Time 7 ms.";
}

void TestPingTool::currentRecord()
{
    QFETCH(int, records);
    QFETCH(int, current);
    QFETCH(QString, pinged);
    QFETCH(QString, text);
    RecordListModel list;
    QList<PresetRecord> rows;
    for (int k = 0; k < records; ++k) {
        PresetRecord record;
        record.id = k + 1;
        record.ipAddress = QStringLiteral("198.18.7.%1").arg(k + 10);
        rows.append(record);
    }
    list.setRecords(rows);
    // Ticks play no part; only the highlighted row counts.
    if (records > 0)
        list.setChecked(0, true);
    if (current >= 0)
        list.setCurrentRow(current);

    QStringList echoed;
    int timeout = 0;
    const PingTool tool([&](const QString &address, int timeoutMs) {
        echoed.append(address);
        timeout = timeoutMs;
        return reply(7);
    });
    ScriptedPrompt prompt;
    tool.pingCurrentRecord(list, prompt);
    QCOMPARE(echoed, pinged.isEmpty() ? QStringList() : QStringList{pinged});
    if (!pinged.isEmpty())
        QCOMPARE(timeout, 500);
    QCOMPARE(prompt.requests().size(), 1);
    QCOMPARE(prompt.lastRequest().title, QStringLiteral("Notice"));
    QCOMPARE(prompt.lastRequest().text, text);
    QCOMPARE(int(prompt.lastRequest().icon), int(PromptIcon::Exclamation));
}

QTEST_GUILESS_MAIN(TestPingTool)
#include "TestPingTool.moc"
