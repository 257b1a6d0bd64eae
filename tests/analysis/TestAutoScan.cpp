#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "AnalysisListModel.h"
#include "Analyzer.h"
#include "AutoScanController.h"
#include "FakeHostSource.h"
#include "RecordListModel.h"
#include "ScanListModel.h"
#include "ScanRun.h"

// clsTimer and the automatic step, with short periods and a scan of fake hosts.
class TestAutoScan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void timerEnableAndDisable();
    void intervalChangeWaitsForTheNextStart();
    void stepScansThenAnalyses();
    void tickDuringAScanStartsNothing();
    void uncheckingStopsTheMode();
    void stepThatCannotStartEndsAndRearms();
    void refusedMinuteTextKeepsThePeriod();

private:
    ScanListModel m_scan;
    RecordListModel m_records;
    AnalysisListModel m_analysis;
    QString m_failure; // the fake source fails to start with this text when set
    FakeHostSource::Log m_log;
    std::unique_ptr<ScanRun> m_run;
    std::unique_ptr<Analyzer> m_analyzer;
    std::unique_ptr<AutoScanController> m_controller;
    int m_scansStarted = 0;
};

void TestAutoScan::init()
{
    m_analysis.clear();
    m_scansStarted = 0;
    m_failure.clear();
    m_run = std::make_unique<ScanRun>(&m_scan);
    m_run->setSourceFactory([this](const ScanRange &range, const HostSource::Pacing &pacing) {
        return new FakeHostSource(range, pacing, {{0, QStringLiteral("00-0A-E4-00-00-01")}}, m_failure,
                                  &m_log);
    });
    m_analyzer = std::make_unique<Analyzer>(&m_scan, &m_records, &m_analysis);
    m_controller = std::make_unique<AutoScanController>(m_run.get(), m_analyzer.get(), [this] {
        ++m_scansStarted;
        QString error;
        return m_run->start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.1"),
                                                      QStringLiteral("198.18.7.3"), ScanMethod::Arp, &error));
    });
}

void TestAutoScan::cleanup()
{
    m_controller.reset();
    m_analyzer.reset();
    m_run.reset();
}

void TestAutoScan::timerEnableAndDisable()
{
    clsTimer timer;
    QCOMPARE(timer.Interval(), 1000);
    QVERIFY(!timer.Enable());
    QSignalSpy ticks(&timer, &clsTimer::Timer);
    timer.setInterval(20);
    timer.setEnable(true);
    timer.setEnable(true); // no restart, no second timer
    QVERIFY(timer.Enable());
    QTRY_VERIFY(ticks.count() >= 3);
    timer.setEnable(false);
    QVERIFY(!timer.Enable());
    const int seen = int(ticks.count());
    QTest::qWait(80);
    QCOMPARE(int(ticks.count()), seen);
}

void TestAutoScan::intervalChangeWaitsForTheNextStart()
{
    clsTimer timer;
    QSignalSpy ticks(&timer, &clsTimer::Timer);
    timer.setInterval(30);
    timer.setEnable(true);
    timer.setInterval(60000);
    QTRY_VERIFY(ticks.count() >= 2); // still the old period
    timer.setEnable(false);
    timer.setEnable(true); // now the new one
    const int seen = int(ticks.count());
    QTest::qWait(150);
    QCOMPARE(int(ticks.count()), seen);
}

void TestAutoScan::stepScansThenAnalyses()
{
    QSignalSpy checkEnabled(m_controller.get(), &AutoScanController::autoScanCheckEnabledChanged);
    QSignalSpy finished(m_controller.get(), &AutoScanController::stepFinished);
    m_controller->ArTimer().setInterval(40);
    m_controller->setAutoScan(true);
    QVERIFY(m_controller->ArTimer().Enable());

    QTRY_COMPARE(checkEnabled.count(), 1);
    QCOMPARE(checkEnabled.at(0).at(0).toBool(), false);
    QVERIFY(!m_controller->ArTimer().Enable()); // off during the step
    QVERIFY(m_run->isScanning());
    QCOMPARE(m_analysis.count(), 0); // no analysis before the scan has finished

    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(finished.at(0).at(2).toInt(), 2);
    QCOMPARE(checkEnabled.last().at(0).toBool(), true);
    QCOMPARE(m_analysis.count(), 2); // the one answering host, no record
    QVERIFY(m_controller->ArTimer().Enable());
    QTRY_VERIFY(m_scansStarted >= 2); // and again after the next period
}

void TestAutoScan::tickDuringAScanStartsNothing()
{
    QString error;
    QVERIFY(m_run->start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.1"), QStringLiteral("198.18.7.3"),
                                                   ScanMethod::Arp, &error)));
    QSignalSpy finished(m_controller.get(), &AutoScanController::stepFinished);
    QSignalSpy scanFinished(m_run.get(), &ScanRun::finished);
    m_controller->ArTimer().setInterval(100000);
    m_controller->setAutoScan(true);
    m_controller->ArTimer_Timer();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(m_scansStarted, 0);
    QVERIFY(m_controller->ArTimer().Enable()); // only the period restarted
    // The manual scan's end is not taken for the step's: no analysis.
    QTRY_COMPARE(scanFinished.count(), 1);
    QCOMPARE(m_analysis.count(), 0);
}

void TestAutoScan::uncheckingStopsTheMode()
{
    QSignalSpy started(m_controller.get(), &AutoScanController::stepStarted);
    m_controller->ArTimer().setInterval(30);
    m_controller->setAutoScan(true);
    m_controller->setAutoScan(false);
    QVERIFY(!m_controller->ArTimer().Enable());
    QTest::qWait(100);
    QCOMPARE(started.count(), 0);

    // Unticked during a step: the step ends without starting the timer.
    QSignalSpy finished(m_controller.get(), &AutoScanController::stepFinished);
    m_controller->setAutoScan(true);
    m_controller->ArTimer_Timer();
    QVERIFY(m_controller->isStepRunning());
    m_controller->setAutoScan(false);
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!m_controller->ArTimer().Enable());
}

void TestAutoScan::stepThatCannotStartEndsAndRearms()
{
    // The step reports by signal and goes on: nothing waits for anyone to
    // read the reason, and the next period counts from the failed step.
    m_failure = QStringLiteral("Winsock Initialization Error !");
    QSignalSpy failed(m_run.get(), &ScanRun::startFailed);
    QSignalSpy finished(m_controller.get(), &AutoScanController::stepFinished);
    m_controller->ArTimer().setInterval(100000);
    m_controller->setAutoScan(true);
    for (int step = 1; step <= 2; ++step) {
        m_controller->ArTimer_Timer();
        QTRY_COMPARE(finished.count(), step);
        QCOMPARE(finished.last().at(0).toBool(), false);
        QCOMPARE(failed.count(), step);
        QVERIFY(!m_controller->isStepRunning());
        QVERIFY(m_controller->ArTimer().Enable());
    }
    QCOMPARE(m_analysis.count(), 0);
    QVERIFY(m_log.requested.isEmpty());
}

void TestAutoScan::refusedMinuteTextKeepsThePeriod()
{
    QVERIFY(m_controller->setMinutesText(QStringLiteral("60")));
    QCOMPARE(m_controller->ArTimer().Interval(), 3600000);
    QVERIFY(!m_controller->setMinutesText(QStringLiteral("abc")));
    QVERIFY(!m_controller->setMinutesText(QStringLiteral("7")));
    QCOMPARE(m_controller->ArTimer().Interval(), 3600000);
    QVERIFY(m_controller->setMinutesText(QStringLiteral("1440")));
    QCOMPARE(m_controller->ArTimer().Interval(), 86400000);
}

QTEST_GUILESS_MAIN(TestAutoScan)
#include "TestAutoScan.moc"
