// The automatic mode as the main window shows it, offscreen: a manual scan
// holds the automatic-scan timer and starts a new period at its end, the
// status bar's panel tells when the next step comes, and a step that adds
// findings while the window hides in the tray says so in a balloon, as does
// one whose scan gives change events of the kinds ticked for it. Scans
// use a scripted host source (nothing is sent), and every test switches the
// mode off before it ends; the periods are long enough that no step fires.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "../scan/FakeHostSource.h"
#include "app/commands/ChangeNoticeCommands.h"
#include "app/commands/ChangesCommands.h"
#include "app/parts/AutoModeIndicators.h"
#include "app/parts/StatusBarPanels.h"
#include "app/parts/TrayIcon.h"
#include "app/widgets/ScanRangeEntry.h"
#include "app/window/FormMain.h"
#include "lists/AnalysisListModel.h"
#include "records/AcknowledgementStore.h"
#include "records/RecordStore.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedDesktopServices.h"
#include "tests/support/ScriptedPrompt.h"

class TestFormMainAutoMode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void manualScanRestartsThePeriod_data();
    void manualScanRestartsThePeriod();
    void nextStepText_data();
    void nextStepText();
    void statusBarShowsTheNextStep();
    void findingsBalloon_data();
    void findingsBalloon();
    void changeNotice_data();
    void changeNotice();

private:
    void make(bool tray = false);
    void useFakeHosts(int answering);
    AutoScanController &autoScan() { return m_window->autoScan(); }
    QLabel *nextStepPanel() const { return m_window->statusPanels()->nextStepPanel(); }
    template <typename T>
    T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    std::unique_ptr<WindowFixture> m_fixture;
    FakeHostSource::Log m_log;
    std::unique_ptr<FormMain> m_window;
};

void TestFormMainAutoMode::init()
{
    // Nothing of the user's own: config and data live in the test's folder.
    m_fixture = std::make_unique<WindowFixture>();
    QVERIFY(m_fixture->isValid());
}

void TestFormMainAutoMode::cleanup()
{
    if (m_window)
        autoScan().setAutoScan(false);
    m_window.reset();
    m_fixture.reset();
}

void TestFormMainAutoMode::make(bool tray)
{
    m_window = m_fixture->makeWindow(tray);
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "3"});
}

void TestFormMainAutoMode::useFakeHosts(int answering)
{
    m_window->scanRun().setSourceFactory(
        [this, answering](const ScanRange &range, const HostSource::Pacing &pacing) {
            QHash<quint32, QString> macs;
            for (int i = 0; i < answering; ++i)
                macs.insert(quint32(i), QStringLiteral("00-0A-E4-00-07-0%1").arg(i));
            return new FakeHostSource(range, pacing, macs, QString(), &m_log);
        });
}

void TestFormMainAutoMode::manualScanRestartsThePeriod_data()
{
    QTest::addColumn<bool>("modeOn");
    QTest::addColumn<bool>("stopped");
    QTest::newRow("Check4 ticked, scan completes") << true << false;
    QTest::newRow("Check4 ticked, scan stopped") << true << true;
    QTest::newRow("Check4 unticked") << false << false;
}

void TestFormMainAutoMode::manualScanRestartsThePeriod()
{
    QFETCH(bool, modeOn);
    QFETCH(bool, stopped);
    make();
    useFakeHosts(3);
    if (modeOn)
        child<QCheckBox>("Check4")->click();
    QCOMPARE(autoScan().ArTimer().Enable(), modeOn);
    QSignalSpy steps(&autoScan(), &AutoScanController::stepStarted);
    QSignalSpy finished(&m_window->scanRun(), &ScanRun::finished);

    QTest::mouseClick(child<QPushButton>("CmdStar"), Qt::LeftButton);
    QVERIFY(m_window->scanRun().isScanning());
    QVERIFY(!autoScan().ArTimer().Enable()); // no step can fire under the scan
    QVERIFY(nextStepPanel()->isHidden());
    if (stopped)
        QTest::mouseClick(child<QPushButton>("CmdStop"), Qt::LeftButton);
    QVERIFY(finished.wait(5000));

    const QDateTime ended = QDateTime::currentDateTime();
    QCOMPARE(autoScan().ArTimer().Enable(), modeOn);
    if (modeOn) {
        // A whole period from the scan's end, not from the box's click.
        const qint64 ahead = ended.msecsTo(autoScan().nextStep());
        QVERIFY2(ahead > autoScan().ArTimer().Interval() - 2000 && ahead <= autoScan().ArTimer().Interval(),
                 qPrintable(QString::number(ahead)));
        QVERIFY(!nextStepPanel()->isHidden());
    }
    QCOMPARE(steps.count(), 0);
    QCOMPARE(m_window->analysisList().count(), 0); // a manual scan is not analysed by the mode
}

void TestFormMainAutoMode::nextStepText_data()
{
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<QString>("text");
    const QDateTime now(QDate(2024, 3, 1), QTime(16, 30));
    QTest::newRow("today") << now.addSecs(5 * 60) << "Next automatic scan at 16:35";
    QTest::newRow("tomorrow") << now.addSecs(24 * 3600) << "Next automatic scan at 02/03/2024 16:30";
    QTest::newRow("no step") << QDateTime() << "";
}

void TestFormMainAutoMode::nextStepText()
{
    QFETCH(QDateTime, at);
    QFETCH(QString, text);
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QString shown = AutoModeIndicators::nextStepText(at, QDateTime(QDate(2024, 3, 1), QTime(16, 30)));
    QLocale::setDefault(before);
    QCOMPARE(shown, text);
}

void TestFormMainAutoMode::statusBarShowsTheNextStep()
{
    make();
    QVERIFY(nextStepPanel()->isHidden()); // the mode is off
    auto *check4 = child<QCheckBox>("Check4");
    check4->click();
    const QDateTime next = autoScan().nextStep();
    QVERIFY(next.isValid());
    QCOMPARE(nextStepPanel()->text(), AutoModeIndicators::nextStepText(next, QDateTime::currentDateTime()));
    QVERIFY(nextStepPanel()->text().startsWith(QLatin1String("Next automatic scan at ")));
    QVERIFY(!nextStepPanel()->isHidden());
    // Apart from the scan's own texts.
    m_window->statusPanels()->setStatusText(QStringLiteral("50%, Scaning:198.18.7.2"));
    QCOMPARE(nextStepPanel()->text(), AutoModeIndicators::nextStepText(next, QDateTime::currentDateTime()));

    check4->click();
    QVERIFY(nextStepPanel()->isHidden());
    QVERIFY(nextStepPanel()->text().isEmpty());
}

void TestFormMainAutoMode::findingsBalloon_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<int>("answering");
    QTest::addColumn<int>("acknowledged"); // of the answering hosts, the first ones
    QTest::addColumn<bool>("balloon");
    QTest::newRow("hidden in the tray, two hosts") << true << 2 << 0 << true;
    QTest::newRow("hidden in the tray, one host") << true << 1 << 0 << true;
    QTest::newRow("hidden in the tray, no host") << true << 0 << 0 << false;
    QTest::newRow("window shown") << false << 2 << 0 << false;
    QTest::newRow("one of two acknowledged") << true << 2 << 1 << true;
    QTest::newRow("the only host acknowledged") << true << 1 << 1 << false;
}

void TestFormMainAutoMode::findingsBalloon()
{
    QFETCH(bool, hidden);
    QFETCH(int, answering);
    QFETCH(int, acknowledged);
    QFETCH(bool, balloon);
    for (int i = 0; i < acknowledged; ++i) // the fake hosts' first pairs
        QVERIFY(AcknowledgementStore(RecordStore(m_fixture->dataFolder()))
                    .add({QStringLiteral("198.18.7.%1").arg(i + 1),
                          QStringLiteral("00-0A-E4-00-07-0%1").arg(i),
                          {},
                          {},
                          QDateTime::currentDateTimeUtc(),
                          {}}));
    make(true);
    useFakeHosts(answering);
    m_window->startUp(hidden);
    QCOMPARE(m_window->isVisible(), !hidden);
    const QString before = m_window->tray()->lastMessage();
    QSignalSpy finished(&autoScan(), &AutoScanController::stepFinished);
    autoScan().setMinutes(1440);
    autoScan().setAutoScan(true);
    autoScan().ArTimer_Timer();
    QVERIFY(finished.wait(5000));
    const int findings = finished.at(0).at(2).toInt();
    const AnalysisListModel &list = m_window->analysisList();
    int grey = 0;
    for (int row = 0; row < list.count(); ++row)
        grey += list.isAcknowledged(row) ? 1 : 0;
    QCOMPARE(findings, list.count() - grey); // acknowledged findings are no news
    QCOMPARE(QList<bool>({grey > 0, list.count() > 0}), QList<bool>({acknowledged > 0, answering > 0}));
    if (balloon) {
        QCOMPARE(m_window->tray()->lastMessage(), TrayIcon::findingsText(findings));
        QVERIFY(m_window->tray()->lastMessage().contains(QString::number(findings)));
    } else {
        QCOMPARE(m_window->tray()->lastMessage(), before);
    }
}

void TestFormMainAutoMode::changeNotice_data()
{
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<bool>("tickNewStation"); // in the menu; not among the kinds ticked at first
    QTest::addColumn<bool>("notice");
    QTest::newRow("automatic scan, new-station ticked") << true << true << true;
    QTest::newRow("automatic scan, the first kinds") << true << false << false;
    QTest::newRow("manual scan, new-station ticked") << false << true << false;
}

void TestFormMainAutoMode::changeNotice()
{
    QFETCH(bool, automatic);
    QFETCH(bool, tickNewStation);
    QFETCH(bool, notice);
    make(true);
    useFakeHosts(2); // two new stations
    m_window->startUp(true);
    QAction *tick =
        child<QAction>(qPrintable(ChangeNoticeCommands::actionName(ChangeEvent::Kind::NewStation)));
    QVERIFY(tick && !tick->isChecked());
    QVERIFY(child<QAction>(qPrintable(ChangeNoticeCommands::actionName(ChangeEvent::Kind::IpConflict)))
                ->isChecked());
    if (tickNewStation)
        tick->trigger();
    QCOMPARE(ChangeNoticeCommands::storedKinds().contains(ChangeEvent::Kind::NewStation), tickNewStation);

    QSignalSpy finished(&m_window->scanRun(), &ScanRun::finished);
    if (automatic) {
        autoScan().setMinutes(1440);
        autoScan().setAutoScan(true);
        autoScan().ArTimer_Timer();
    } else {
        child<QPushButton>("CmdStar")->click();
    }
    QVERIFY(finished.wait(5000));
    m_window->changesCommands()->waitForHistory();
    const QString shown = m_window->tray()->lastMessage();
    QVERIFY2(shown.startsWith(QLatin1String("2 change events; the first: New station")) == notice,
             qPrintable(shown));
}

QTEST_MAIN(TestFormMainAutoMode)
#include "TestFormMainAutoMode.moc"
