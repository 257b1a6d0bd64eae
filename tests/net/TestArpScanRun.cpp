// The scan run with the real ARP method, started by arp-scan-run.sh inside the
// scanner namespace of a test network. NETKESTREL_TEST_HOSTS lists the live
// hosts of 198.18.7.0/24 as "IP=MAC IP=MAC ..." (the scanner's own included).
#include <QSignalSpy>
#include <QTest>

#include "lists/ScanListModel.h"
#include "scan/ScanRun.h"

class TestArpScanRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void findsEveryLiveHost_data();
    void findsEveryLiveHost();
    void stopAfterAGivenHost();

private:
    QStringList scan(const char *from, const char *to, int paceMs, QString *completion,
                     const std::function<void(ScanRun &, const QString &)> &onStatus = {});

    QMap<QString, QString> m_hosts; // IP -> MAC, in address order by construction below
    QStringList m_expected;         // "IP MAC" in address order
};

void TestArpScanRun::initTestCase()
{
    const QStringList entries =
        qEnvironmentVariable("NETKESTREL_TEST_HOSTS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (entries.isEmpty())
        QSKIP("runs inside the test network of arp-scan-run.sh");
    QMap<int, QString> byHost;
    for (const QString &entry : entries) {
        const QString ip = entry.section(QLatin1Char('='), 0, 0);
        byHost.insert(ip.section(QLatin1Char('.'), 3).toInt(),
                      ip + QLatin1Char(' ') + entry.section(QLatin1Char('='), 1));
    }
    m_expected = byHost.values();
}

QStringList TestArpScanRun::scan(const char *from, const char *to, int paceMs, QString *completion,
                                 const std::function<void(ScanRun &, const QString &)> &onStatus)
{
    ScanListModel list;
    ScanRun run(&list);
    run.setPacing(HostSource::Pacing::fromPace(paceMs));
    if (onStatus)
        connect(&run, &ScanRun::statusTextChanged, &run,
                [&run, &onStatus](const QString &t) { onStatus(run, t); });
    QSignalSpy finished(&run, &ScanRun::finished);
    run.start(*ScanRange::fromAddresses(QLatin1String(from), QLatin1String(to), ScanMethod::Arp));
    if (!finished.wait(30000))
        return {QStringLiteral("(the scan did not end)")};
    *completion = finished.first().first().toString();
    QStringList rows;
    for (int i = 0; i < list.count(); ++i) {
        const ScanRow row = list.scanRow(i);
        rows << row.ipAddress + QLatin1Char(' ') + row.macAddress;
        if (row.key != QStringLiteral("MAC") + row.ipAddress.section(QLatin1Char('.'), 3))
            return {QStringLiteral("bad key ") + row.key};
    }
    return rows;
}

void TestArpScanRun::findsEveryLiveHost_data()
{
    QTest::addColumn<int>("paceMs");
    QTest::newRow("default pacing") << 15;
    QTest::newRow("fast pacing") << 0;
}

void TestArpScanRun::findsEveryLiveHost()
{
    QFETCH(int, paceMs);
    QString completion;
    QCOMPARE(scan("198.18.7.1", "198.18.7.40", paceMs, &completion), m_expected);
    QCOMPARE(completion,
             QStringLiteral("Scan Complete! Scanned: 40 IP, Found %1 connected ").arg(m_expected.size()));
}

void TestArpScanRun::stopAfterAGivenHost()
{
    QString completion;
    const QStringList rows =
        scan("198.18.7.1", "198.18.7.40", 0, &completion, [](ScanRun &run, const QString &text) {
            if (text.endsWith(QLatin1String("Scaning:198.18.7.12")))
                run.stop();
        });
    QStringList expected;
    for (const QString &row : m_expected) {
        if (row.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('.'), 3).toInt() <= 12)
            expected << row;
    }
    QCOMPARE(rows, expected);
    QCOMPARE(completion,
             QStringLiteral("Scan Complete! Scanned: 12 IP, Found %1 connected ").arg(expected.size()));
}

QTEST_GUILESS_MAIN(TestArpScanRun)
#include "TestArpScanRun.moc"
