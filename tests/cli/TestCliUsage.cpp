#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "scan/ScanRange.h"

// netkestrel-cli refuses bad usage with exit status 2 and says why: no
// command at all, and the range options of the scanning commands.
class TestCliUsage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void refused_data();
    void refused();

private:
    QTemporaryDir m_dataDir;
};

void TestCliUsage::initTestCase()
{
    QVERIFY(m_dataDir.isValid());
}

void TestCliUsage::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message"); // a part of standard error

    // The command line's reach: an ARP range up to a /16.
    auto refusal = [](const char *from, const char *to, ScanMethod method) {
        return ScanRange::fromAddresses(QLatin1String(from), QLatin1String(to), method,
                                        ScanRange::ArpReach::SeveralNetworks)
            .error();
    };
    const QString arpAcrossNetworks = refusal("198.18.0.1", "198.19.255.254", ScanMethod::Arp);
    const QString udpTooLarge = refusal("198.18.0.1", "198.19.255.254", ScanMethod::Udp);
    QVERIFY(!arpAcrossNetworks.isEmpty() && !udpTooLarge.isEmpty());
    const QString both =
        QStringLiteral("give the range either with --range or with --from and --to, not both.");

    QTest::newRow("no command") << QStringList() << "Usage: netkestrel-cli COMMAND [OPTIONS]";
    QTest::newRow("no range")
        << QStringList{"scan"}
        << "give the range with --from A.B.C.D --to A.B.C.D, or with --range A.B.C.D/NN.";
    QTest::newRow("scan: arp /15") << QStringList{"scan", "--range", "198.18.0.0/15"} << arpAcrossNetworks;
    QTest::newRow("scan: udp /15") << QStringList{"scan", "--method", "udp", "--range", "198.18.0.0/15"}
                                   << udpTooLarge;
    QTest::newRow("scan: malformed") << QStringList{"scan", "--range", "198.18.7.0-24"}
                                     << "\"198.18.7.0-24\" is not a network such as 198.18.7.0/24";
    QTest::newRow("scan: with --from")
        << QStringList{"scan", "--range", "198.18.7.0/24", "--from", "198.18.7.1"} << both;
    QTest::newRow("scan: with --to") << QStringList{"scan", "--to", "198.18.7.9", "--range", "198.18.7.0/24"}
                                     << both;
    QTest::newRow("analyze: arp /15")
        << QStringList{"analyze", "--range", "198.18.0.0/15"} << arpAcrossNetworks;
    QTest::newRow("analyze: with a scan file")
        << QStringList{"analyze", "--scan-file", "none.kst", "--range", "198.18.7.0/24"}
        << "--scan-file takes the place of a scan: give no scan options with it.";
    QTest::newRow("watch: arp /15") << QStringList{"watch", "--range", "198.18.0.0/15"} << arpAcrossNetworks;
    QTest::newRow("watch: with --from")
        << QStringList{"watch", "--range", "198.18.7.0/24", "--from", "198.18.7.1", "--to", "198.18.7.2"}
        << both;
}

void TestCliUsage::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    // A data folder of the test's own, in case a command reads one before it refuses.
    if (!arguments.isEmpty())
        arguments << QStringLiteral("--data-dir") << m_dataDir.path();
    QProcess cli;
    cli.start(qEnvironmentVariable("NETKESTREL_BIN_DIR") + QStringLiteral("/netkestrel-cli"), arguments);
    QVERIFY(cli.waitForFinished(30000));
    const QString errors = QString::fromLocal8Bit(cli.readAllStandardError());
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QVERIFY(cli.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestCliUsage)
#include "TestCliUsage.moc"
