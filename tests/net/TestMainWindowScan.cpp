// The main window's Scan, Pause and Stop and its automatic step through real
// ARP scans, started by main-window-scan.sh inside the scanner namespace of a
// test network. NETKESTREL_TEST_HOSTS lists the live hosts of 198.18.7.0/24
// as "IP=MAC ...".
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "../app/WindowFixture.h"
#include "app/commands/ScanCommands.h"
#include "app/parts/AutoStepNotice.h"
#include "app/parts/MainMenus.h"
#include "app/parts/StatusBarPanels.h"
#include "app/widgets/ScanRangeEntry.h"
#include "app/window/FormMain.h"
#include "tests/support/ScriptedPrompt.h"

class TestMainWindowScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void scanFindsTheHosts();
    void pauseAndStop();
    void automaticStepScansAndAnalyses();
    void automaticStepWithoutAScan();

private:
    bool enabled(const char *name) const
    {
        return m_window->menus()->action(QLatin1String(name))->isEnabled();
    }
    QPushButton *button(const char *name) const
    {
        return m_window->findChild<QPushButton *>(QLatin1String(name));
    }
    QCheckBox *check4() const { return m_window->findChild<QCheckBox *>(QStringLiteral("Check4")); }

    QStringList m_expected; // "IP MAC", in address order
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
    std::unique_ptr<FormMain> m_window;
};

void TestMainWindowScan::initTestCase()
{
    const QStringList entries =
        qEnvironmentVariable("NETKESTREL_TEST_HOSTS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (entries.isEmpty())
        QSKIP("runs inside the test network of main-window-scan.sh");
    QMap<int, QString> byHost;
    for (const QString &entry : entries) {
        const QString ip = entry.section(QLatin1Char('='), 0, 0);
        byHost.insert(ip.section(QLatin1Char('.'), 3).toInt(),
                      ip + QLatin1Char(' ') + entry.section(QLatin1Char('='), 1));
    }
    m_expected = byHost.values();
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
}

void TestMainWindowScan::init()
{
    m_prompt.reset();
    FormMain::Options options;
    options.dataFolder = m_dir.path() + QStringLiteral("/data");
    options.autostartFolder = m_dir.path() + QStringLiteral("/config/autostart");
    options.prompt = &m_prompt;
    options.trayAvailable = false;
    // Every window starts with the automatic mode off; the tests of the step
    // switch it on themselves.
    QVERIFY(storeAutoScanOff(options.dataFolder));
    m_window = std::make_unique<FormMain>(options);
    QVERIFY(!check4()->isChecked());
    m_window->startUp(false);
    // Inside the namespace the window's own default range is the test network.
    QCOMPARE(m_window->rangeEntry()->boxes(), QStringList({"198", "18", "7", "1", "198", "18", "7", "255"}));
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "60"});
}

void TestMainWindowScan::cleanup()
{
    m_window.reset();
}

void TestMainWindowScan::scanFindsTheHosts()
{
    QSignalSpy finished(&m_window->scanRun(), &ScanRun::finished);
    QTest::mouseClick(button("CmdStar"), Qt::LeftButton);
    QVERIFY(!button("CmdStar")->isEnabled() && button("CmdPause")->isEnabled() &&
            button("CmdStop")->isEnabled());
    QVERIFY(!enabled("SMmenu8") && enabled("SMmenu9") && enabled("SMmenu10"));
    QVERIFY(finished.wait(60000));
    QVERIFY(button("CmdStar")->isEnabled() && !button("CmdPause")->isEnabled() &&
            !button("CmdStop")->isEnabled());
    QVERIFY(enabled("SMmenu8") && !enabled("SMmenu9") && !enabled("SMmenu10"));
    QStringList rows;
    for (int i = 0; i < m_window->scanList().count(); ++i) {
        const ScanRow row = m_window->scanList().scanRow(i);
        rows << row.ipAddress + QLatin1Char(' ') + row.macAddress;
    }
    QCOMPARE(rows, m_expected);
    QCOMPARE(m_window->statusPanels()->statusText(),
             QStringLiteral("Scan Complete! Scanned: 60 IP, Found %1 connected ").arg(m_expected.size()));
    QVERIFY(m_prompt.requests().isEmpty());
}

void TestMainWindowScan::pauseAndStop()
{
    QSignalSpy finished(&m_window->scanRun(), &ScanRun::finished);
    m_window->menus()->action(QStringLiteral("SMmenu8"))->trigger(); // F5's item
    // Paused at once: rows reach the list in batches, so waiting for the
    // first one could let a short scan finish before the pause.
    m_window->menus()->action(QStringLiteral("menuPopS1"))->trigger(); // Pause from the pop-up
    QCOMPARE(button("CmdPause")->text(), QStringLiteral("Continue"));
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Paused);
    QTest::qWait(500); // a paused scan asks for no further host
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Paused);
    QVERIFY(m_window->scanList().count() <= 1);
    QTest::mouseClick(button("CmdStop"), Qt::LeftButton); // stopped while paused: ends at once
    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(button("CmdPause")->text(), QStringLiteral("Pause"));
    QVERIFY(button("CmdStar")->isEnabled() && !button("CmdPause")->isEnabled() &&
            !button("CmdStop")->isEnabled());
    QVERIFY(m_window->statusPanels()->statusText().startsWith(QLatin1String("Scan Complete! Scanned: ")));
    QVERIFY(m_window->scanList().count() < m_expected.size());
}

void TestMainWindowScan::automaticStepScansAndAnalyses()
{
    AutoScanController &autoScan = m_window->autoScan();
    // A period of this test only: the minute box offers no less than 5 minutes.
    autoScan.ArTimer().setInterval(300);
    QSignalSpy started(&autoScan, &AutoScanController::stepStarted);
    QSignalSpy finished(&autoScan, &AutoScanController::stepFinished);
    check4()->click();
    QVERIFY(autoScan.ArTimer().Enable());

    QVERIFY(started.wait(10000));
    QVERIFY(!check4()->isEnabled());
    QVERIFY(!autoScan.ArTimer().Enable());
    QVERIFY(m_window->scanRun().isScanning()); // the Scan button's scan
    QVERIFY(!button("CmdStar")->isEnabled());
    QCOMPARE(m_window->analysisList().count(), 0); // analysed only once it has finished

    QVERIFY(finished.wait(60000));
    const bool checkUsable = check4()->isEnabled();
    const bool restarted = autoScan.ArTimer().Enable();
    check4()->click(); // the mode off before the next period ends
    QVERIFY(checkUsable);
    QVERIFY(restarted);
    QVERIFY(!autoScan.ArTimer().Enable());
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.first().at(0).toBool(), true);

    QStringList rows;
    for (int i = 0; i < m_window->scanList().count(); ++i) {
        const ScanRow row = m_window->scanList().scanRow(i);
        rows << row.ipAddress + QLatin1Char(' ') + row.macAddress;
    }
    QCOMPARE(rows, m_expected);
    // No records: each host is an IP not preset and a MAC in no record.
    QCOMPARE(m_window->analysisList().count(), 2 * int(m_expected.size()));
    QCOMPARE(finished.first().at(2).toInt(), 2 * int(m_expected.size()));
    const QString first = m_expected.first();
    QCOMPARE(m_window->analysisList().entry(0).result,
             QStringLiteral("[%1] is abused IP:%2;This IP has not been preset yet")
                 .arg(first.section(QLatin1Char(' '), 1), first.section(QLatin1Char(' '), 0, 0)));
    QVERIFY(m_prompt.requests().isEmpty());
}

void TestMainWindowScan::automaticStepWithoutAScan()
{
    AutoScanController &autoScan = m_window->autoScan();
    QSignalSpy finished(&autoScan, &AutoScanController::stepFinished);
    check4()->click(); // the stored 5 minutes: only the steps called here run

    // Range boxes the window refuses: the reason in the status bar and in
    // the one non-modal notice of automatic steps (no modal box waits), and
    // the step ends with Check4 usable and the period started anew.
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", ""});
    autoScan.ArTimer_Timer();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.last().at(0).toBool(), false);
    QVERIFY(m_prompt.requests().isEmpty());
    QVERIFY(m_window->statusPanels()->statusText().startsWith(QLatin1String(AutoStepNotice::StatusLead)));
    QVERIFY(m_window->scanCommands()->autoStepNotice()->box());
    QVERIFY(check4()->isEnabled());
    QVERIFY(autoScan.ArTimer().Enable());
    QVERIFY(!m_window->scanRun().isScanning());

    // A tick during a manual scan starts nothing, and the manual scan's end
    // is not analysed.
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "60"});
    QSignalSpy scanFinished(&m_window->scanRun(), &ScanRun::finished);
    QTest::mouseClick(button("CmdStar"), Qt::LeftButton);
    QVERIFY(m_window->scanRun().isScanning());
    autoScan.ArTimer_Timer();
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.last().at(0).toBool(), false);
    QVERIFY(check4()->isEnabled());
    QVERIFY(scanFinished.wait(60000));
    QCOMPARE(scanFinished.count(), 1);
    QCOMPARE(m_window->analysisList().count(), 0);
    check4()->click();
    QVERIFY(!autoScan.ArTimer().Enable());
}

QTEST_MAIN(TestMainWindowScan)
#include "TestMainWindowScan.moc"
