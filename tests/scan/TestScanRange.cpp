#include <QTest>

#include "scan/ScanRange.h"

class TestScanRange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void addressesWalkAcrossNetworks();
    void network_data();
    void network();
    void networkRefused_data();
    void networkRefused();
    void arpAcrossNetworks_data();
    void arpAcrossNetworks();
};

void TestScanRange::accepted_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<uint>("count");
    QTest::addColumn<bool>("backwards");

    const int arp = int(ScanMethod::Arp);
    const int udp = int(ScanMethod::Udp);
    QTest::newRow("arp whole network") << "198.18.7.1"
                                       << "198.18.7.254" << arp << "198.18.7.1"
                                       << "198.18.7.254" << 254u << false;
    QTest::newRow("arp entered backwards") << "198.18.7.200"
                                           << "198.18.7.10" << arp << "198.18.7.10"
                                           << "198.18.7.200" << 191u << true;
    QTest::newRow("arp one host") << "198.18.7.17"
                                  << "198.18.7.17" << arp << "198.18.7.17"
                                  << "198.18.7.17" << 1u << false;
    QTest::newRow("arp 0 to 255") << "198.18.7.0"
                                  << "198.18.7.255" << arp << "198.18.7.0"
                                  << "198.18.7.255" << 256u << false;
    QTest::newRow("leading zeros are decimal") << "198.018.007.010"
                                               << "198.18.7.12" << arp << "198.18.7.10"
                                               << "198.18.7.12" << 3u << false;
    QTest::newRow("blanks around a number") << " 198.18.7.1"
                                            << "198.18.7.2 " << arp << "198.18.7.1"
                                            << "198.18.7.2" << 2u << false;
    QTest::newRow("udp across a network boundary") << "198.18.6.250"
                                                   << "198.18.7.5" << udp << "198.18.6.250"
                                                   << "198.18.7.5" << 12u << false;
    QTest::newRow("udp across 128.0.0.0") << "127.255.255.250"
                                          << "128.0.0.5" << udp << "127.255.255.250"
                                          << "128.0.0.5" << 12u << false;
    QTest::newRow("udp backwards") << "198.18.7.5"
                                   << "198.18.6.250" << udp << "198.18.6.250"
                                   << "198.18.7.5" << 12u << true;
    QTest::newRow("udp largest range") << "198.18.0.0"
                                       << "198.18.255.255" << udp << "198.18.0.0"
                                       << "198.18.255.255" << 65536u << false;
    QTest::newRow("udp top of the address space") << "255.255.255.250"
                                                  << "255.255.255.255" << udp << "255.255.255.250"
                                                  << "255.255.255.255" << 6u << false;
}

void TestScanRange::accepted()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, method);
    const auto range = ScanRange::fromAddresses(from, to, ScanMethod(method));
    QVERIFY2(range.ok(), qPrintable(range.error()));
    QTEST(ScanRange::dotted(range->first()), "first");
    QTEST(ScanRange::dotted(range->last()), "last");
    QTEST(range->count(), "count");
    QTEST(range->enteredBackwards(), "backwards");
    QCOMPARE(range->addressText(0), ScanRange::dotted(range->first()));
    QCOMPARE(range->addressText(range->count() - 1), ScanRange::dotted(range->last()));
}

void TestScanRange::refused_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("message");

    const int arp = int(ScanMethod::Arp);
    const int udp = int(ScanMethod::Udp);
    QTest::newRow("empty from box") << QStringList{"198", "18", "", "1", "198", "18", "7", "9"} << arp
                                    << "Please enter all four numbers of the \"From\" address.";
    QTest::newRow("empty to box") << QStringList{"198", "18", "7", "1", "198", "18", "7", ""} << udp
                                  << "Please enter all four numbers of the \"To\" address.";
    QTest::newRow("over 255")
        << QStringList{"198", "18", "7", "300", "198", "18", "7", "9"} << arp
        << "\"300\" is not a number from 0 to 255. Please correct the \"From\" address.";
    QTest::newRow("not a number")
        << QStringList{"198", "18", "7", "1", "198", "1x", "7", "9"} << udp
        << "\"1x\" is not a number from 0 to 255. Please correct the \"To\" address.";
    QTest::newRow("negative") << QStringList{"198", "18", "7", "-1", "198", "18", "7", "9"} << arp
                              << "\"-1\" is not a number from 0 to 255. Please correct the \"From\" address.";
    QTest::newRow("arp across networks")
        << QStringList{"198", "18", "7", "1", "198", "18", "8", "9"} << arp
        << "An ARP scan covers one network of 256 addresses: the first three numbers of \"From\" (198.18.7.1) and "
           "\"To\" (198.18.8.9) must be the same. Use the UDP scan for a larger range.";
    QTest::newRow("udp too large")
        << QStringList{"198", "18", "0", "0", "198", "19", "0", "0"} << udp
        << "The range from 198.18.0.0 to 198.19.0.0 holds 65537 addresses; a UDP scan "
           "covers at most 65536.";
    QTest::newRow("udp whole address space")
        << QStringList{"0", "0", "0", "0", "255", "255", "255", "255"} << udp
        << "The range from 0.0.0.0 to 255.255.255.255 holds 4294967296 "
           "addresses; a UDP scan covers at most 65536.";
    QTest::newRow("too few boxes") << QStringList{"198", "18", "7"} << arp
                                   << "Please enter the \"From\" and \"To\" addresses of the scan range.";
}

void TestScanRange::refused()
{
    QFETCH(QStringList, boxes);
    QFETCH(int, method);
    const auto range = ScanRange::fromBoxes(boxes, ScanMethod(method));
    QVERIFY(!range);
    QTEST(range.error(), "message");
}

void TestScanRange::addressesWalkAcrossNetworks()
{
    const auto range = ScanRange::fromAddresses(QStringLiteral("198.18.6.254"), QStringLiteral("198.18.7.1"),
                                                ScanMethod::Udp);
    QVERIFY(range);
    const QStringList expected = {"198.18.6.254", "198.18.6.255", "198.18.7.0", "198.18.7.1"};
    QStringList walked;
    for (quint32 i = 0; i < range->count(); ++i)
        walked << range->addressText(i);
    QCOMPARE(walked, expected);

    const auto bad =
        ScanRange::fromAddresses(QStringLiteral("198.18.7"), QStringLiteral("198.18.7.9"), ScanMethod::Arp);
    QVERIFY(!bad);
    QCOMPARE(
        ScanRange::fromAddresses(QStringLiteral("198.18.7.1"), QStringLiteral("198.18.7.9"), ScanMethod::Arp)
            ->networkPrefix(),
        QStringLiteral("198.18.7."));
}

void TestScanRange::network_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    const int arp = int(ScanMethod::Arp);
    const int udp = int(ScanMethod::Udp);
    QTest::newRow("/24 without network and broadcast") << "198.18.7.0/24" << arp << "198.18.7.1"
                                                       << "198.18.7.254";
    QTest::newRow("host bits ignored") << "198.18.7.77/24" << arp << "198.18.7.1"
                                       << "198.18.7.254";
    QTest::newRow("/27") << "198.18.7.32/27" << arp << "198.18.7.33"
                         << "198.18.7.62";
    QTest::newRow("/30 two hosts") << "198.18.7.4/30" << arp << "198.18.7.5"
                                   << "198.18.7.6";
    QTest::newRow("/31 both addresses") << "198.18.7.9/31" << arp << "198.18.7.8"
                                        << "198.18.7.9";
    QTest::newRow("/32 one address") << "198.18.7.13/32" << arp << "198.18.7.13"
                                     << "198.18.7.13";
    QTest::newRow("udp /23 across a boundary") << "198.18.6.0/23" << udp << "198.18.6.1"
                                               << "198.18.7.254";
    QTest::newRow("udp /16 below the limit") << "198.18.0.0/16" << udp << "198.18.0.1"
                                             << "198.18.255.254";
    QTest::newRow("blanks around") << " 198.18.7.0/24 " << udp << "198.18.7.1"
                                   << "198.18.7.254";
}

void TestScanRange::network()
{
    QFETCH(QString, prefix);
    QFETCH(int, method);
    const auto range = ScanRange::fromPrefix(prefix, ScanMethod(method));
    QVERIFY2(range.ok(), qPrintable(range.error()));
    QTEST(ScanRange::dotted(range->first()), "first");
    QTEST(ScanRange::dotted(range->last()), "last");
    QCOMPARE(range->method(), ScanMethod(method));
    QVERIFY(!range->enteredBackwards());
}

void TestScanRange::networkRefused_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("message");

    // A network that the range rules refuse gets the words of the same
    // range given by its two ends.
    auto endsRefusal = [](const char *from, const char *to, ScanMethod method) {
        const auto range = ScanRange::fromAddresses(QLatin1String(from), QLatin1String(to), method);
        return range ? QStringLiteral("(accepted)") : range.error();
    };
    const int arp = int(ScanMethod::Arp);
    const int udp = int(ScanMethod::Udp);
    QTest::newRow("arp /23") << "198.18.6.0/23" << arp
                             << endsRefusal("198.18.6.1", "198.18.7.254", ScanMethod::Arp);
    QTest::newRow("udp /15 too large")
        << "198.18.0.0/15" << udp << endsRefusal("198.18.0.1", "198.19.255.254", ScanMethod::Udp);
    const QString malformed = QStringLiteral(
        "\"%1\" is not a network such as 198.18.7.0/24 (an IPv4 address, \"/\" "
        "and a prefix length from 0 to 32).");
    for (const char *bad : {"198.18.7.0", "198.18.7.0/", "198.18.7.0/33", "198.18.7.0/-1", "198.18.7.0/2x",
                            "198.18.7/24", "198.18.7.256/24", "198.18.7.0/24/1", "/24", ""}) {
        QTest::newRow(*bad ? bad : "empty")
            << QString::fromLatin1(bad) << udp << malformed.arg(QLatin1String(bad));
    }
}

void TestScanRange::networkRefused()
{
    QFETCH(QString, prefix);
    QFETCH(int, method);
    const auto range = ScanRange::fromPrefix(prefix, ScanMethod(method));
    QVERIFY(!range);
    QTEST(range.error(), "message");
}

void TestScanRange::arpAcrossNetworks_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<uint>("networks"); // 0: refused
    QTest::addColumn<QString>("message");

    QTest::newRow("one network") << "198.18.7.1"
                                 << "198.18.7.254" << 1u << "";
    QTest::newRow("two networks, backwards") << "198.18.8.9"
                                             << "198.18.7.1" << 2u << "";
    QTest::newRow("a whole /16") << "198.18.0.0"
                                 << "198.18.255.255" << 256u << "";
    QTest::newRow("256 networks, not aligned") << "198.18.7.200"
                                               << "198.19.6.3" << 256u << "";
    QTest::newRow("257 networks")
        << "198.18.7.200"
        << "198.19.7.3" << 0u
        << "The range from 198.18.7.200 to 198.19.7.3 touches 257 networks of 256 "
           "addresses; an ARP scan covers at most 256 (a /16). Use the UDP scan for "
           "a larger range.";
    QTest::newRow("bad octet still named")
        << "198.18.7.1"
        << "198.18.999.1" << 0u
        << "\"999\" is not a number from 0 to 255. Please correct the \"To\" "
           "address.";
}

void TestScanRange::arpAcrossNetworks()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(uint, networks);
    const auto several =
        ScanRange::fromAddresses(from, to, ScanMethod::Arp, ScanRange::ArpReach::SeveralNetworks);
    QCOMPARE(several.ok(), networks > 0);
    if (several) {
        QCOMPARE(several->networkCount(), networks);
        // The reach goes with the range, also through a network written as A.B.C.D/NN.
        QCOMPARE(several->arpReach(), ScanRange::ArpReach::SeveralNetworks);
        const QString prefix = QStringLiteral("%1/32").arg(from);
        QCOMPARE(
            ScanRange::fromPrefix(prefix, ScanMethod::Arp, ScanRange::ArpReach::SeveralNetworks)->arpReach(),
            ScanRange::ArpReach::SeveralNetworks);
    } else {
        QTEST(several.error(), "message");
    }
    // The window's reach stays one network, and the UDP method ignores the reach.
    const auto one = ScanRange::fromAddresses(from, to, ScanMethod::Arp);
    QCOMPARE(one.ok(), networks == 1);
    if (one)
        QCOMPARE(one->arpReach(), ScanRange::ArpReach::OneNetwork);
    QCOMPARE(ScanRange::fromAddresses(from, to, ScanMethod::Udp, ScanRange::ArpReach::SeveralNetworks).ok(),
             ScanRange::fromAddresses(from, to, ScanMethod::Udp).ok());
}

QTEST_GUILESS_MAIN(TestScanRange)
#include "TestScanRange.moc"
