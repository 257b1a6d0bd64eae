// The scan run with the real UDP method, started by udp-scan.sh inside the
// scanner namespace of its test network. NETKESTREL_TEST_EXPECT holds the
// rows expected for 198.18.6.250 .. 198.18.7.40, as "number|IP|MAC|host|group;".
#include <QSignalSpy>
#include <QTest>

#include "lists/ScanListModel.h"
#include "scan/ScanRun.h"

class TestUdpScanRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameHostsInEveryPacing_data()
    {
        QTest::addColumn<int>("paceMs");
        QTest::newRow("default") << 15;
        QTest::newRow("fast") << 0;
        QTest::newRow("fast, pace 10") << 10;
    }

    void sameHostsInEveryPacing()
    {
        const QStringList expected =
            qEnvironmentVariable("NETKESTREL_TEST_EXPECT").split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (expected.isEmpty())
            QSKIP("runs inside the test network of udp-scan.sh");
        QFETCH(int, paceMs);
        ScanListModel list;
        ScanRun run(&list);
        run.setPacing(HostSource::Pacing::fromPace(paceMs));
        QSignalSpy finished(&run, &ScanRun::finished);
        QStringList statuses;
        connect(&run, &ScanRun::statusTextChanged, &run, [&statuses](const QString &t) { statuses << t; });
        QVERIFY(run.start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.40"),
                                                    QStringLiteral("198.18.6.250"), ScanMethod::Udp)));
        QVERIFY(finished.wait(30000));
        QStringList rows;
        for (int i = 0; i < list.count(); ++i) {
            const ScanRow r = list.scanRow(i);
            rows << QStringList{r.number, r.ipAddress, r.macAddress, r.hostName, r.workgroup}.join(
                QLatin1Char('|'));
        }
        QCOMPARE(rows, expected);
        QCOMPARE(finished.first().first().toString(),
                 QStringLiteral("Scan Complete! Scanned: 47 IP, Found %1 connected ").arg(expected.size()));
        // Every address was announced, the boundary ones included.
        QVERIFY(statuses.contains(QStringLiteral("2%, Scaning:198.18.6.250")));
        QVERIFY(statuses.contains(QStringLiteral("12%, Scaning:198.18.6.255")));
        QVERIFY(statuses.contains(QStringLiteral("14%, Scaning:198.18.7.0")));
        QVERIFY(statuses.contains(QStringLiteral("100%, Scaning:198.18.7.40")));
    }
};

QTEST_GUILESS_MAIN(TestUdpScanRun)
#include "TestUdpScanRun.moc"
