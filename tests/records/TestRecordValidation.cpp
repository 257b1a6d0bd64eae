#include "records/RecordValidation.h"

#include <QTest>

class TestRecordValidation : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
};

void TestRecordValidation::rules_data()
{
    QTest::addColumn<bool>("isIp");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    const bool ip = true;
    const bool mac = false;
    QTest::newRow("ip plain") << ip << "192.168.1.10" << true;
    QTest::newRow("ip leading zeros") << ip << "192.168.001.10" << true;
    QTest::newRow("ip zeros and 255") << ip << "0.0.0.255" << true;
    QTest::newRow("ip 256") << ip << "192.168.1.256" << false;
    QTest::newRow("ip three parts") << ip << "192.168.1" << false;
    QTest::newRow("ip five parts") << ip << "1.2.3.4.5" << false;
    QTest::newRow("ip empty part") << ip << "192.168..1" << false;
    QTest::newRow("ip trailing dot") << ip << "1.2.3.4." << false;
    QTest::newRow("ip comma") << ip << "1,2.0.0.1" << false;
    QTest::newRow("ip sign") << ip << "-1.0.0.1" << false;
    QTest::newRow("ip plus sign") << ip << "+1.0.0.1" << false;
    QTest::newRow("ip four digits") << ip << "1000.0.0.1" << false;
    QTest::newRow("ip 0255 four digits") << ip << "0255.0.0.1" << false;
    QTest::newRow("ip blank inside") << ip << "1. 2.3.4" << false;
    QTest::newRow("ip surrounding blank") << ip << " 1.2.3.4" << false;
    QTest::newRow("ip empty") << ip << "" << false;
    QTest::newRow("ip no dot") << ip << "1234" << false;
    QTest::newRow("ip arabic-indic digits") << ip << QString::fromUtf8("١.2.3.4") << false;
    QTest::newRow("ip hex") << ip << "0x1.2.3.4" << false;

    QTest::newRow("mac upper") << mac << "00-0A-E4-20-53-55" << true;
    QTest::newRow("mac lower") << mac << "00-0a-e4-20-53-55" << true;
    QTest::newRow("mac colons") << mac << "00:0A:E4:20:53:55" << false;
    QTest::newRow("mac joined pair") << mac << "000A-E4-20-53-55" << false;
    QTest::newRow("mac five parts") << mac << "00-0A-E4-20-53" << false;
    QTest::newRow("mac seven parts") << mac << "00-0A-E4-20-53-55-66" << false;
    QTest::newRow("mac not hex") << mac << "00-0G-E4-20-53-55" << false;
    QTest::newRow("mac single digit") << mac << "0-0A-E4-20-53-55" << false;
    QTest::newRow("mac three digits") << mac << "000-0A-E4-20-53-55" << false;
    QTest::newRow("mac trailing hyphen") << mac << "00-0A-E4-20-53-55-" << false;
    QTest::newRow("mac blank") << mac << "00-0A-E4-20-53- 5" << false;
    QTest::newRow("mac empty") << mac << "" << false;
    QTest::newRow("mac fullwidth digit") << mac << QString::fromUtf8("０0-0A-E4-20-53-55") << false;
}

void TestRecordValidation::rules()
{
    QFETCH(bool, isIp);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(isIp ? RecordValidation::isValidIp(text) : RecordValidation::isValidMac(text), valid);
}

QTEST_GUILESS_MAIN(TestRecordValidation)
#include "TestRecordValidation.moc"
