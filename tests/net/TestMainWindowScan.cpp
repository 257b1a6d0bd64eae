// The main window's Scan, Pause and Stop through a real ARP scan, started by
// main-window-scan.sh inside the scanner namespace of a test network.
// NETKESTREL_TEST_HOSTS lists the live hosts of 198.18.7.0/24 as "IP=MAC ...".
#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "FormMain.h"
#include "MainMenus.h"
#include "ScanRangeEntry.h"
#include "ScriptedPrompt.h"
#include "StatusBarPanels.h"

class TestMainWindowScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void scanFindsTheHosts();
    void pauseAndStop();

private:
    bool enabled(const char *name) const { return m_window->menus()->action(QLatin1String(name))->isEnabled(); }
    QPushButton *button(const char *name) const
    {
        return m_window->findChild<QPushButton *>(QLatin1String(name));
    }

    QStringList m_expected;  // "IP MAC", in address order
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
        byHost.insert(ip.section(QLatin1Char('.'), 3).toInt(), ip + QLatin1Char(' ') + entry.section(QLatin1Char('='), 1));
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
    m_window = std::make_unique<FormMain>(options);
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
    QVERIFY(!button("CmdStar")->isEnabled() && button("CmdPause")->isEnabled() && button("CmdStop")->isEnabled());
    QVERIFY(!enabled("SMmenu8") && enabled("SMmenu9") && enabled("SMmenu10"));
    QVERIFY(finished.wait(60000));
    QVERIFY(button("CmdStar")->isEnabled() && !button("CmdPause")->isEnabled() && !button("CmdStop")->isEnabled());
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
    m_window->menus()->action(QStringLiteral("SMmenu8"))->trigger();  // F5's item
    QTRY_VERIFY_WITH_TIMEOUT(m_window->scanList().count() >= 1, 30000);
    m_window->menus()->action(QStringLiteral("menuPopS1"))->trigger();  // Pause from the pop-up
    QCOMPARE(button("CmdPause")->text(), QStringLiteral("Continue"));
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Paused);
    QTest::mouseClick(button("CmdStop"), Qt::LeftButton);  // stopped while paused: ends at once
    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(button("CmdPause")->text(), QStringLiteral("Pause"));
    QVERIFY(button("CmdStar")->isEnabled() && !button("CmdPause")->isEnabled() && !button("CmdStop")->isEnabled());
    QVERIFY(m_window->statusPanels()->statusText().startsWith(QLatin1String("Scan Complete! Scanned: ")));
    QVERIFY(m_window->scanList().count() < m_expected.size());
}

QTEST_MAIN(TestMainWindowScan)
#include "TestMainWindowScan.moc"
