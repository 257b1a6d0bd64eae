#include "lists/RecordListModel.h"
#include "tests/support/ScriptedPrompt.h"
#include "tools/MagicPacket.h"
#include "tools/WakeOnLan.h"

#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

// Magic packets: the MAC texts taken and refused, the packet's layout, and
// real datagrams caught by a listener on loopback.
class TestWakeOnLan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void macTexts_data();
    void macTexts();
    void packetLayout();
    void destinations_data();
    void destinations();
    void skippedMacsAreNotCounted_data();
    void skippedMacsAreNotCounted();
    void tickedRecords_data();
    void tickedRecords();
    void refusedSendIsReported();

private:
    QList<QByteArray> received(int expected);
    WakeOnLan loopbackSender() const
    {
        return WakeOnLan({QHostAddress(QHostAddress::LocalHost), m_listener->localPort()});
    }

    std::unique_ptr<QUdpSocket> m_listener;
};

void TestWakeOnLan::init()
{
    m_listener = std::make_unique<QUdpSocket>();
    QVERIFY(m_listener->bind(QHostAddress(QHostAddress::LocalHost), 0));
}

QList<QByteArray> TestWakeOnLan::received(int expected)
{
    QList<QByteArray> datagrams;
    while (datagrams.size() < expected && m_listener->waitForReadyRead(2000)) {
        while (m_listener->hasPendingDatagrams())
            datagrams.append(m_listener->receiveDatagram().data());
    }
    // Anything more would have come by now: loopback does not delay.
    QTest::qWait(20);
    while (m_listener->hasPendingDatagrams())
        datagrams.append(m_listener->receiveDatagram().data());
    return datagrams;
}

void TestWakeOnLan::macTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colonForm"); // empty: refused
    QTest::newRow("list form") << "00-0A-E4-20-53-55"
                               << "00:0a:e4:20:53:55";
    QTest::newRow("lower case") << "00-0a-e4-20-53-55"
                                << "00:0a:e4:20:53:55";
    QTest::newRow("colons") << "00:0a:e4:20:53:55"
                            << "00:0a:e4:20:53:55";
    QTest::newRow("one digit parts") << "0-A-E4-2-53-5"
                                     << "00:0a:e4:02:53:05";
    QTest::newRow("five parts") << "00-0A-E4-20-53"
                                << "";
    QTest::newRow("seven parts") << "00-0A-E4-20-53-55-66"
                                 << "";
    QTest::newRow("three digits") << "00-0A-E4-20-53-555"
                                  << "";
    QTest::newRow("empty part") << "00--E4-20-53-55"
                                << "";
    QTest::newRow("not hex") << "00-0G-E4-20-53-55"
                             << "";
    QTest::newRow("mixed separators") << "00-0A:E4-20-53-55"
                                      << "";
    QTest::newRow("blank inside") << "00-0A-E4-20-53- 5"
                                  << "";
    QTest::newRow("hex prefix") << "0x-0A-E4-20-53-55"
                                << "";
    QTest::newRow("marker") << "Non-Responded IP"
                            << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestWakeOnLan::macTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, colonForm);
    const std::optional<MacBytes> bytes = MacAddressBytes::parse(text);
    QCOMPARE(bytes.has_value(), !colonForm.isEmpty());
    if (bytes)
        QCOMPARE(MacAddressBytes::colonForm(*bytes), colonForm);
    QCOMPARE(MagicPacket::fromMacText(text).has_value(), !colonForm.isEmpty());
}

void TestWakeOnLan::packetLayout()
{
    const std::optional<QByteArray> packet = MagicPacket::fromMacText(QStringLiteral("00-0A-E4-20-53-55"));
    QVERIFY(packet);
    QCOMPARE(packet->size(), 102);
    QCOMPARE(packet->first(12), QByteArray::fromHex("FFFFFFFFFFFF000AE4205355"));
    QVERIFY(packet->endsWith(QByteArray::fromHex("205355")));
    for (int offset = 6; offset < 102; offset += 6)
        QCOMPARE(packet->mid(offset, 6), QByteArray::fromHex("000AE4205355"));
}

void TestWakeOnLan::destinations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("address only") << "198.18.7.255"
                                  << "198.18.7.255" << 1001;
    QTest::newRow("with port") << "127.0.0.1:9"
                               << "127.0.0.1" << 9;
    QTest::newRow("broadcast") << "255.255.255.255:1001"
                               << "255.255.255.255" << 1001;
    QTest::newRow("port 0") << "127.0.0.1:0"
                            << "" << 0;
    QTest::newRow("port too big") << "127.0.0.1:65536"
                                  << "" << 0;
    QTest::newRow("name") << "localhost"
                          << "" << 0;
    QTest::newRow("shorthand") << "127.1:9"
                               << "" << 0;
    QTest::newRow("IPv6") << "::1"
                          << "" << 0;
    QTest::newRow("empty") << ""
                           << "" << 0;
}

void TestWakeOnLan::destinations()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(int, port);
    const std::optional<WakeDestination> parsed = WakeDestination::parse(text);
    QCOMPARE(parsed.has_value(), !address.isEmpty());
    if (parsed) {
        QCOMPARE(parsed->address.toString(), address);
        QCOMPARE(int(parsed->port), port);
    }
}

void TestWakeOnLan::skippedMacsAreNotCounted_data()
{
    QTest::addColumn<QStringList>("macs");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("wording");
    QTest::newRow("two good") << QStringList{"00-0A-E4-20-53-55", "00-0a-e4-20-53-56"} << 2
                              << "Successfully Send 2 records ";
    QTest::newRow("one bad")
        << QStringList{"00-0A-E4-20-53-55", "00-0A-E4", "00-0A-E4-20-53-57"} << 2
        << "Successfully Send 2 records \n1 record was skipped: its MAC address is not six "
           "hexadecimal parts.";
    QTest::newRow("all bad")
        << QStringList{"zz", "Non-Responded IP"} << 0
        << "Successfully Send 0 records \n2 records were skipped: their MAC addresses are "
           "not six hexadecimal parts.";
}

void TestWakeOnLan::skippedMacsAreNotCounted()
{
    QFETCH(QStringList, macs);
    QFETCH(int, sent);
    QFETCH(QString, wording);
    const WakeReport report = loopbackSender().wake(macs);
    QCOMPARE(report.sent, sent);
    QCOMPARE(report.skipped, int(macs.size()) - sent);
    QCOMPARE(WakeOnLan::wording(report), wording);
    QList<QByteArray> expected;
    for (const QString &mac : macs) {
        if (const auto packet = MagicPacket::fromMacText(mac))
            expected.append(*packet);
    }
    QCOMPARE(received(sent), expected);
}

void TestWakeOnLan::tickedRecords_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<int>("icon");
    QTest::newRow("empty list") << 0 << QList<int>{} << "" << 0;
    QTest::newRow("nothing ticked") << 3 << QList<int>{} << "No records were selected."
                                    << int(PromptIcon::Exclamation);
    QTest::newRow("two ticked") << 4 << QList<int>{1, 3} << "Successfully Send 2 records "
                                << int(PromptIcon::Information);
}

void TestWakeOnLan::tickedRecords()
{
    QFETCH(int, records);
    QFETCH(QList<int>, ticked);
    QFETCH(QString, message);
    QFETCH(int, icon);
    RecordListModel list;
    QList<PresetRecord> rows;
    for (int k = 0; k < records; ++k) {
        PresetRecord record;
        record.id = k + 1;
        record.ipAddress = QStringLiteral("198.18.7.%1").arg(k + 10);
        record.macAddress = QStringLiteral("00-0A-E4-20-53-%1").arg(k + 10);
        rows.append(record);
    }
    list.setRecords(rows);
    for (const int row : ticked)
        list.setChecked(row, true);
    ScriptedPrompt prompt;
    loopbackSender().wakeTickedRecords(list, prompt);

    if (message.isEmpty()) {
        QVERIFY(prompt.requests().isEmpty());
    } else {
        QCOMPARE(prompt.requests().size(), 1);
        QCOMPARE(prompt.lastRequest().title, QStringLiteral("Notice"));
        QCOMPARE(prompt.lastRequest().text, message);
        QCOMPARE(int(prompt.lastRequest().icon), icon);
    }
    QList<QByteArray> expected;
    for (const int row : ticked)
        expected.append(*MagicPacket::fromMacText(list.text(row, RecordListModel::MacColumn)));
    QCOMPARE(received(int(ticked.size())), expected);
}

void TestWakeOnLan::refusedSendIsReported()
{
    // The kernel refuses a datagram to port 0 (EINVAL), so the failure path
    // runs without any network.
    const WakeOnLan nowhere({QHostAddress(QHostAddress::LocalHost), 0});
    const WakeReport report = nowhere.wake({QStringLiteral("00-0A-E4-20-53-55")});
    QCOMPARE(report.sent, 0);
    QCOMPARE(report.failed, 1);
    QVERIFY2(report.firstFailure.startsWith(
                 QStringLiteral("The magic packet could not be sent to 127.0.0.1 port 0: ")),
             qPrintable(report.firstFailure));
    QVERIFY(WakeOnLan::wording(report).startsWith(
        QStringLiteral("Successfully Send 0 records \n1 record was not sent. ")));
}

QTEST_GUILESS_MAIN(TestWakeOnLan)
#include "TestWakeOnLan.moc"
