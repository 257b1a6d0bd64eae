// An ARP scan whose resolver library cannot be loaded: a clear message, and
// the run returns to Idle with nothing sent and nothing listed.
#include <QSignalSpy>
#include <QTest>

#include "lists/ScanListModel.h"
#include "scan/ScanRun.h"

class TestMissingMacLibrary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageAndBackToIdle();
};

void TestMissingMacLibrary::messageAndBackToIdle()
{
    qputenv("NETKESTREL_MAC_LIBRARY", "/nonexistent/libmac.so");
    ScanListModel list;
    ScanRun run(&list);
    QSignalSpy finished(&run, &ScanRun::finished);
    QSignalSpy failed(&run, &ScanRun::startFailed);
    QSignalSpy states(&run, &ScanRun::stateChanged);
    QVERIFY(run.start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.1"), QStringLiteral("198.18.7.9"),
                                                ScanMethod::Arp)));
    QVERIFY(!finished.isEmpty() || finished.wait(5000));

    QCOMPARE(finished.first().first().toString(), QString());
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().at(0).toString(), QStringLiteral("Error"));
    const QString text = failed.first().at(1).toString();
    QVERIFY2(text.startsWith(QLatin1String("The ARP resolver library libmac.so cannot be loaded")),
             qPrintable(text));
    QCOMPARE(list.count(), 0);
    QCOMPARE(run.state(), ScanRun::State::Idle);
    QCOMPARE(states.size(), 2); // Running, then Idle
}

QTEST_GUILESS_MAIN(TestMissingMacLibrary)
#include "TestMissingMacLibrary.moc"
