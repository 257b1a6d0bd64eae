// Which addresses a query reaches on-link, through the neighbour table.
#include <QTest>

#include "scan/ArpBatchHostSource.h"
#include "scan/ArpSweep.h"
#include "scan/OnLinkNetworks.h"
#include "scan/ScanRange.h"

namespace {

quint32 ip(const char *dotted)
{
    const auto range =
        ScanRange::fromAddresses(QString::fromLatin1(dotted), QString::fromLatin1(dotted), ScanMethod::Udp);
    return range ? range->first() : 0;
}

// Two interfaces of this host: a /20 and a /24.
OnLinkNetworks twoNetworks()
{
    const QByteArray mac = QByteArray::fromHex("020000000001");
    return OnLinkNetworks({
        {2, ip("198.18.96.0"), 0xFFFFF000, ip("198.18.96.1"), mac},
        {3, ip("198.19.7.0"), 0xFFFFFF00, ip("198.19.7.200"), mac},
    });
}

} // namespace

class TestOnLinkNetworks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void find_data();
    void find();
    void touches_data();
    void touches();
    void sweepSegments_data();
    void sweepSegments();
};

void TestOnLinkNetworks::find_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("interfaceIndex"); // 0: not on-link
    QTest::newRow("first host of the /20") << "198.18.96.2" << 2;
    QTest::newRow("a .0 inside the /20") << "198.18.100.0" << 2;
    QTest::newRow("a .255 inside the /20") << "198.18.100.255" << 2;
    QTest::newRow("last host of the /20") << "198.18.111.254" << 2;
    QTest::newRow("broadcast of the /20") << "198.18.111.255" << 0;
    QTest::newRow("network of the /20") << "198.18.96.0" << 0;
    QTest::newRow("own address") << "198.18.96.1" << 0;
    QTest::newRow("own address on the other network") << "198.19.7.200" << 0;
    QTest::newRow("just past the /20") << "198.18.112.1" << 0;
    QTest::newRow("the /24") << "198.19.7.9" << 3;
    QTest::newRow("beside the /24") << "198.19.8.9" << 0;
    QTest::newRow("loopback") << "127.0.0.1" << 0;
}

void TestOnLinkNetworks::find()
{
    QFETCH(QString, address);
    QFETCH(int, interfaceIndex);
    const OnLinkNetworks networks = twoNetworks();
    const OnLinkNetwork *found = networks.find(ip(address.toLatin1().constData()));
    QCOMPARE(found ? found->interfaceIndex : 0, interfaceIndex);
}

void TestOnLinkNetworks::touches_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("touches");
    QTest::newRow("inside") << "198.18.97.0"
                            << "198.18.97.255" << true;
    QTest::newRow("ends on the first address") << "198.18.90.0"
                                               << "198.18.96.0" << true;
    QTest::newRow("starts on the last address") << "198.18.111.255"
                                                << "198.18.120.0" << true;
    QTest::newRow("spans it") << "198.18.0.0"
                              << "198.18.255.255" << true;
    QTest::newRow("below") << "198.18.80.0"
                           << "198.18.95.255" << false;
    QTest::newRow("between the two") << "198.18.112.0"
                                     << "198.19.6.255" << false;
}

void TestOnLinkNetworks::touches()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, touches);
    QCOMPARE(twoNetworks().touches(ip(from.toLatin1().constData()), ip(to.toLatin1().constData())), touches);
    QVERIFY(!OnLinkNetworks().touches(0, 0xFFFFFFFF));
}

// What one batch sweep of a range asks, and whether it can take the range
// whole: "interface:first-last:count" per segment.
void TestOnLinkNetworks::sweepSegments_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("segments");
    QTest::addColumn<bool>("covered");
    QTest::newRow("the /24 whole: own, network and broadcast left out")
        << "198.19.7.0"
        << "198.19.7.255"
        << "3:198.19.7.1-198.19.7.254:253" << true;
    QTest::newRow("the /20 whole, own address left out") << "198.18.96.0"
                                                         << "198.18.111.255"
                                                         << "2:198.18.96.2-198.18.111.254:4093" << true;
    QTest::newRow("past the /20: the on-link part only, not covered")
        << "198.18.111.250"
        << "198.18.112.3"
        << "2:198.18.111.250-198.18.111.254:5" << false;
    QTest::newRow("across both networks")
        << "198.18.111.254"
        << "198.19.7.1"
        << "2:198.18.111.254-198.18.111.254:1 3:198.19.7.1-198.19.7.1:1" << false;
    QTest::newRow("nothing on-link") << "198.18.200.1"
                                     << "198.18.200.9"
                                     << "" << false;
}

void TestOnLinkNetworks::sweepSegments()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, segments);
    QFETCH(bool, covered);
    const OnLinkNetworks networks = twoNetworks();
    const Result<ScanRange> range = ScanRange::fromAddresses(from, to, ScanMethod::Udp);
    QVERIFY(range);
    QStringList shown;
    for (const ArpSweep::Segment &segment : ArpSweep::segmentsOf(networks, range->first(), range->last())) {
        const auto text = [](quint32 address) {
            return QStringLiteral("%1.%2.%3.%4")
                .arg(address >> 24)
                .arg(address >> 16 & 0xFF)
                .arg(address >> 8 & 0xFF)
                .arg(address & 0xFF);
        };
        shown << QStringLiteral("%1:%2-%3:%4")
                     .arg(segment.network.interfaceIndex)
                     .arg(text(segment.addresses.front()), text(segment.addresses.back()))
                     .arg(segment.addresses.size());
    }
    QCOMPARE(shown.join(QLatin1Char(' ')), segments);
    QCOMPARE(ArpBatchHostSource::covers(networks, *range), covered);
}

QTEST_GUILESS_MAIN(TestOnLinkNetworks)
#include "TestOnLinkNetworks.moc"
