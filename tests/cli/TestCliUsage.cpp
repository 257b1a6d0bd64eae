#include <QTemporaryDir>
#include <QTest>

#include "scan/ScanRange.h"
#include "tests/support/CliProcess.h"

// netkestrel-cli refuses bad usage with exit status 2 and says why: no
// command at all, and the range options of the scanning commands. A scan
// that gets past them could send nothing: the ARP resolver library is missing.
class TestCliUsage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void refused_data();
    void refused();
    void commands_data();
    void commands();

private:
    QTemporaryDir m_dataDir;
};

void TestCliUsage::initTestCase()
{
    QVERIFY(m_dataDir.isValid());
    qputenv("NETKESTREL_MAC_LIBRARY", "/nonexistent/libmac.so");
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
    const QStringList watch{"watch", "--range", "198.18.7.0/30"};
    QTest::newRow("watch: ftp notify url") << watch + QStringList{"--notify-url", "ftp://198.18.7.9/in"}
                                           << "--notify-url takes an http:// or https:// address, not "
                                              "\"ftp://198.18.7.9/in\".";
    QTest::newRow("watch: unknown notify kind")
        << watch + QStringList{"--notify-kinds", "ip-conflict,new-host"}
        << "--notify-kinds: \"new-host\" is no kind; the kinds are new-station, mac-changed, returned, "
           "nbstat-mac-mismatch, randomised-mac, ip-conflict, flip-flop, ip-not-preset, ip-other-mac, "
           "mac-not-recorded, mac-other-ip.";
}

void TestCliUsage::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    // A data folder of the test's own, in case a command reads one before it refuses.
    if (!arguments.isEmpty())
        arguments << QStringLiteral("--data-dir") << m_dataDir.path();
    const CliProcess::Run run = CliProcess::run(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

// The status, the first line of standard output and a part of standard error.
// A mistyped --data-dir would open a new, empty store in which every host is a
// finding: only the commands that add records make the folder. A command's
// usage names it as a script types it; a scan that cannot start prints no table.
void TestCliUsage::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("error");

    const QString missing = m_dataDir.filePath(QStringLiteral("mistyped"));
    const QString refusal = QStringLiteral("The data folder \"%1\" does not exist.").arg(missing);
    for (const char *reader :
         {"scan --range 198.18.7.0/30", "watch --range 198.18.7.0/30", "analyze --scan-file none.kst",
          "report --now --scan-file none.kst",
          "export --analysis text --scan-file none.kst --output none.txt", "history", "changes",
          "records list", "db backup", "ack list", "arp-script --from-records"}) {
        const QStringList arguments = QString::fromLatin1(reader).split(QLatin1Char(' '));
        QTest::newRow(reader) << arguments + QStringList{"--data-dir", missing} << 1 << QString() << refusal;
    }
    const QStringList made{"--data-dir", m_dataDir.filePath(QStringLiteral("made"))};
    QTest::newRow("records add makes it")
        << QStringList{"records", "add", "--ip", "198.18.7.1", "--mac", "00-0A-E4-20-53-55"} + made << 0
        << "1" << QString();
    QTest::newRow("then it is there") << QStringList{"history"} + made << 0 << QString() << QString();

    QTest::newRow("scan --help") << QStringList{"scan", "--help"} << 0
                                 << "Usage: netkestrel-cli scan [options]" << QString();
    QTest::newRow("ping --help") << QStringList{"ping", "--help"} << 0
                                 << "Usage: netkestrel-cli ping [options] ADDRESS" << QString();
    QTest::newRow("scan refused") << QStringList{"scan", "--range", "198.18.7.0/30", "--data-dir",
                                                 m_dataDir.path()}
                                  << 1 << QString() << QString();
}

void TestCliUsage::commands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const CliProcess::Run run = CliProcess::run(arguments);
    QTEST(run.status, "status");
    QTEST(run.out.section(QLatin1Char('\n'), 0, 0), "firstLine");
    QVERIFY2(run.err.contains(error), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCliUsage)
#include "TestCliUsage.moc"
