#include <QTest>

#include "scan/LocalNetworks.h"
#include "scan/ScanRange.h"

class TestLocalNetworks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void arpRefusal_data();
    void arpRefusal();
    void currentLeavesOutLoopback();
};

namespace {

quint32 address(const char *dotted)
{
    quint32 value = 0;
    for (const QString &octet : QString::fromLatin1(dotted).split(QLatin1Char('.')))
        value = (value << 8) | octet.toUInt();
    return value;
}

} // namespace

void TestLocalNetworks::arpRefusal_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("refused");

    QTest::newRow("inside the /20") << "198.18.112.1"
                                    << "198.18.127.254" << false;
    QTest::newRow("inside the /24 of the other interface") << "198.19.5.0"
                                                           << "198.19.5.255" << false;
    QTest::newRow("past the end of the /20") << "198.18.127.0"
                                             << "198.18.128.255" << true;
    QTest::newRow("before the start of the /20") << "198.18.111.255"
                                                 << "198.18.112.5" << true;
    QTest::newRow("across both networks") << "198.18.127.0"
                                          << "198.19.5.10" << true;
    QTest::newRow("elsewhere") << "198.19.6.1"
                               << "198.19.6.1" << true;
}

void TestLocalNetworks::arpRefusal()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, refused);
    const LocalNetworks networks({{QStringLiteral("eth0"), address("198.18.112.1"), 20},
                                  {QStringLiteral("eth1"), address("198.19.5.7"), 24}});
    const auto range =
        ScanRange::fromAddresses(from, to, ScanMethod::Arp, ScanRange::ArpReach::SeveralNetworks);
    QVERIFY(range);
    const QString message = networks.arpRefusal(*range);
    QCOMPARE(!message.isEmpty(), refused);
    if (refused) {
        QCOMPARE(message,
                 QStringLiteral("%1 to %2 is not inside a network of this computer, and ARP only reaches "
                                "hosts on one (198.18.112.1/20 on eth0, 198.19.5.7/24 on eth1). Nothing "
                                "was sent. Use the UDP scan for hosts behind a router.")
                     .arg(ScanRange::dotted(range->first()), ScanRange::dotted(range->last())));
    }
}

void TestLocalNetworks::currentLeavesOutLoopback()
{
    // Whatever this machine's interfaces are, 127.0.0.0/8 never counts as on-link for ARP.
    const auto loopback = ScanRange::fromPrefix(QStringLiteral("127.0.0.0/24"), ScanMethod::Arp);
    QVERIFY(loopback);
    QVERIFY(!LocalNetworks::current().arpRefusal(*loopback).isEmpty());
    QVERIFY(!LocalNetworks().arpRefusal(*loopback).isEmpty());
    QVERIFY(LocalNetworks().arpRefusal(*loopback).contains(QLatin1String("(this computer has none)")));
}

QTEST_GUILESS_MAIN(TestLocalNetworks)
#include "TestLocalNetworks.moc"
