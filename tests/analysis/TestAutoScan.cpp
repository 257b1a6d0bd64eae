#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "analysis/Analyzer.h"
#include "analysis/AutoScanController.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "scan/ScanRun.h"
#include "tests/scan/FakeHostSource.h"

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
    void manualScanHoldsTheTimer_data();
    void manualScanHoldsTheTimer();
    void nextStepFollowsTheTimer();

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
        return m_run->start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.1"),
                                                      QStringLiteral("198.18.7.3"), ScanMethod::Arp));
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
    QVERIFY(m_run->start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.1"), QStringLiteral("198.18.7.3"),
                                                   ScanMethod::Arp)));
    QSignalSpy finished(m_controller.get(), &AutoScanController::stepFinished);
    QSignalSpy scanFinished(m_run.get(), &ScanRun::finished);
    m_controller->ArTimer().setInterval(100000);
    m_controller->setAutoScan(true);
    m_controller->ArTimer_Timer();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(m_scansStarted, 0);
    QVERIFY(!m_controller->ArTimer().Enable()); // held until the manual scan ends
    // The manual scan's end is not taken for the step's: no analysis, but a
    // new period.
    QTRY_COMPARE(scanFinished.count(), 1);
    QCOMPARE(m_analysis.count(), 0);
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_controller->ArTimer().Enable());
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

void TestAutoScan::manualScanHoldsTheTimer_data()
{
    QTest::addColumn<bool>("modeOn");
    QTest::addColumn<QString>("failure"); // of the scan's host source
    QTest::addColumn<bool>("stopped");
    QTest::newRow("mode on, scan completes") << true << QString() << false;
    QTest::newRow("mode on, scan stopped") << true << QString() << true;
    QTest::newRow("mode on, scan cannot start") << true << "Winsock Initialization Error !" << false;
    QTest::newRow("mode off") << false << QString() << false;
}

void TestAutoScan::manualScanHoldsTheTimer()
{
    QFETCH(bool, modeOn);
    QFETCH(QString, failure);
    QFETCH(bool, stopped);
    m_failure = failure;
    QDateTime now(QDate(2024, 3, 1), QTime(16, 30));
    m_controller->setClock([&now] { return now; });
    m_controller->setMinutes(5);
    m_controller->setAutoScan(modeOn);
    QSignalSpy next(m_controller.get(), &AutoScanController::nextStepChanged);
    QSignalSpy scanFinished(m_run.get(), &ScanRun::finished);

    now = now.addSecs(290); // ten seconds before the step would come
    QVERIFY(m_run->start(*ScanRange::fromAddresses(QStringLiteral("198.18.7.1"), QStringLiteral("198.18.7.3"),
                                                   ScanMethod::Arp)));
    if (failure.isEmpty()) {
        QVERIFY(!m_controller->ArTimer().Enable());
        QVERIFY(m_controller->isHeldByManualScan());
        QVERIFY(!m_controller->nextStep().isValid());
        // Ticking the box meanwhile does not start the timer under the scan.
        m_controller->setAutoScan(modeOn);
        QVERIFY(!m_controller->ArTimer().Enable());
        now = now.addSecs(60);
        if (stopped)
            m_run->stop();
    }
    QTRY_COMPARE(scanFinished.count(), 1);
    QVERIFY(!m_controller->isHeldByManualScan());
    QCOMPARE(m_controller->ArTimer().Enable(), modeOn);
    // A full period from the scan's end.
    QCOMPARE(m_controller->nextStep(), modeOn ? now.addSecs(300) : QDateTime());
    if (modeOn) {
        QVERIFY(next.count() >= 1);
        QCOMPARE(next.last().at(0).toDateTime(), now.addSecs(300));
    } else {
        QCOMPARE(next.count(), 0);
    }
    QCOMPARE(m_scansStarted, 0);
    QCOMPARE(m_analysis.count(), 0); // the manual scan is not the step's to analyse
}

void TestAutoScan::nextStepFollowsTheTimer()
{
    QDateTime now(QDate(2024, 3, 1), QTime(23, 50));
    m_controller->setClock([&now] { return now; });
    QSignalSpy next(m_controller.get(), &AutoScanController::nextStepChanged);
    QVERIFY(!m_controller->nextStep().isValid());
    m_controller->setMinutes(60);
    m_controller->setAutoScan(true);
    QCOMPARE(m_controller->nextStep(), QDateTime(QDate(2024, 3, 2), QTime(0, 50)));
    // Ticked again while running: the timer keeps its time.
    now = now.addSecs(60);
    m_controller->setAutoScan(true);
    QCOMPARE(next.count(), 1);
    m_controller->setAutoScan(false);
    QVERIFY(!m_controller->nextStep().isValid());
    QCOMPARE(next.count(), 2);
    QVERIFY(!next.last().at(0).toDateTime().isValid());

    // A step: off while it runs, then a period from its end.
    m_controller->setAutoScan(true);
    QSignalSpy finished(m_controller.get(), &AutoScanController::stepFinished);
    m_controller->ArTimer_Timer();
    QVERIFY(!m_controller->nextStep().isValid());
    now = now.addSecs(30);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(m_controller->nextStep(), now.addSecs(3600));
    m_controller->setAutoScan(false);
}

QTEST_GUILESS_MAIN(TestAutoScan)
#include "TestAutoScan.moc"
