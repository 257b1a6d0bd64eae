#include <QTest>

#include "analysis/AnalysisRules.h"
#include "analysis/FindingText.h"
#include "lists/RecordListModel.h"

// The finding texts the rules write read back as their rule, IP and MAC.
class TestFindingText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rulesReadBack_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QStringList>("kinds");

        // Records: 198.18.104.10 = 00-0A-E4-00-00-0A, 198.18.104.11 = 00-0A-E4-00-00-0B.
        QTest::newRow("IP of another MAC, MAC not recorded")
            << "198.18.104.10"
            << "00-0A-E4-00-00-99" << QStringList{FindingText::IpOtherMac, FindingText::MacNotRecorded};
        QTest::newRow("IP not preset, MAC on another IP")
            << "198.18.104.50"
            << "00-0A-E4-00-00-0B" << QStringList{FindingText::IpNotPreset, FindingText::MacOtherIp};
        QTest::newRow("both on the other record")
            << "198.18.104.11"
            << "00-0A-E4-00-00-0A" << QStringList{FindingText::IpOtherMac, FindingText::MacOtherIp};
        QTest::newRow("odd MAC text")
            << "198.18.104.60"
            << "[odd]" << QStringList{FindingText::IpNotPreset, FindingText::MacNotRecorded};
        QTest::newRow("three MACs, the conflict after the records' findings")
            << "198.18.104.60"
            << "00-0A-E4-00-00-0D+00-0A-E4-00-00-0E+00-0A-E4-00-00-0F"
            << QStringList{FindingText::IpNotPreset, FindingText::MacNotRecorded, FindingText::IpConflict};
    }

    void rulesReadBack()
    {
        QFETCH(QString, ip);
        QFETCH(QString, mac);
        QFETCH(QStringList, kinds);
        const QStringList macs = mac.split(QLatin1Char('+')); // further MACs after a "+"
        mac = macs.constFirst();

        RecordListModel records;
        PresetRecord a;
        a.ipAddress = QStringLiteral("198.18.104.10");
        a.macAddress = QStringLiteral("00-0A-E4-00-00-0A");
        PresetRecord b;
        b.ipAddress = QStringLiteral("198.18.104.11");
        b.macAddress = QStringLiteral("00-0A-E4-00-00-0B");
        records.setRecords({a, b});
        const QStringList texts = AnalysisRules(records).findings(ip, mac, {}, macs.mid(1));
        QCOMPARE(texts.size(), kinds.size());
        for (int i = 0; i < texts.size(); ++i) {
            const std::optional<FindingText::Fields> fields = FindingText::parse(texts.at(i));
            QVERIFY2(fields.has_value(), qPrintable(texts.at(i)));
            QCOMPARE(fields->kind, kinds.at(i));
            QCOMPARE(fields->ipAddress, ip);
            QCOMPARE(fields->macAddress, mac);
            QCOMPARE(fields->macs,
                     fields->kind == QLatin1String(FindingText::IpConflict) ? macs : QStringList());
        }
    }

    void otherTextsAreNoFinding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("no head") << "198.18.104.10;This IP has not been preset yet";
        QTest::newRow("unknown tail") << "[00-0A-E4-00-00-0A] is abused IP:198.18.104.10;something else";
        QTest::newRow("unclosed record MAC")
            << "[00-0A-E4-00-00-0A] is abused IP:198.18.104.10; This IP belongs to [";
        QTest::newRow("conflict of one MAC") << "IP 198.18.104.10 is answered by MACs [00-0A-E4-00-00-0A]";
        QTest::newRow("conflict without its end")
            << "IP 198.18.104.10 is answered by MACs [00-0A-E4-00-00-0A] and [00-0A-E4-00-00-0B";
        QTest::newRow("conflict with an empty MAC") << "IP 198.18.104.10 is answered by MACs [] and []";
    }

    void otherTextsAreNoFinding()
    {
        QFETCH(QString, text);
        QVERIFY(!FindingText::parse(text).has_value());
    }
};

QTEST_GUILESS_MAIN(TestFindingText)
#include "TestFindingText.moc"
