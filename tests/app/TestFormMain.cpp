// The main window end to end, offscreen: start-up against temporary data and
// config folders, command routing, the scan controls through a run, layout
// rules, the tray and "mini", and the logon entry. The scans here use a
// scripted host source: nothing is sent to any network.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <memory>

#include "../scan/FakeHostSource.h"
#include "app/commands/HelpCommands.h"
#include "app/dialogs/FormAddJF.h"
#include "app/dialogs/HelpWindow.h"
#include "app/parts/AutoStepNotice.h"
#include "app/parts/MainMenus.h"
#include "app/parts/ScanPane.h"
#include "app/parts/ScanPaneLayout.h"
#include "app/parts/StatusBarPanels.h"
#include "app/parts/TrayIcon.h"
#include "app/widgets/ScanListView.h"
#include "app/widgets/ScanRangeEntry.h"
#include "app/widgets/SplitterBar.h"
#include "app/widgets/Twips.h"
#include "app/window/FormMain.h"
#include "platform/AutostartEntry.h"
#include "platform/LocalAddress.h"
#include "records/RecordStoreSession.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedDesktopServices.h"
#include "tests/support/ScriptedPrompt.h"

namespace {

const char ProgramPath[] = "/opt/nk tools/netkestrel";

} // namespace

class TestFormMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startUpCreatesDatabase();
    void startUpLoadsRecordsAndRange();
    void defaultRange_data();
    void defaultRange();
    void routes_data();
    void routes();
    void listCommandsFromPopups();
    void scanControlsFollowTheRun();
    void refusedRangeIsExplained();
    void minimumSize();
    void splitterBounds_data();
    void splitterBounds();
    void splitterDrag();
    void paneGeometry();
    void tabSwitch();
    void scanRowTooltip();
    void mini_data();
    void mini();
    void minimiseHidesToTrayAndComesBack();
    void realTray();
    void autorunMirrorsEntry();
    void autorunReadAtStartUp_data();
    void autorunReadAtStartUp();
    void helpOpensShippedPage();
    void analysisFromButtonAndOptionsKept();
    void everyEnabledItemHasAHandler();
    void clearAnalysisListAsksFirst_data();
    void clearAnalysisListAsksFirst();
    void userScanThatCannotStart();
    void automaticStepsThatCannotStart_data();
    void automaticStepsThatCannotStart();
    void modifyWithoutHighlight_data();
    void modifyWithoutHighlight();
    void analysisColumnWidths();
    void helpWithoutBrowser();

private:
    // storeAutoScanOff false: the data folder is left as it is, so an empty
    // one starts the automatic mode; the caller disarms it at once.
    std::unique_ptr<FormMain> make(std::optional<bool> tray = false, bool autoScanOff = true);
    template <typename T>
    T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qWarning("no child %s", name);
        return found;
    }
    void useFakeHosts(int answering, const QString &failure = QString());
    QList<QMessageBox *> openNoticeBoxes() const;

    std::unique_ptr<WindowFixture> m_fixture;
    std::unique_ptr<FormMain> m_window;
    FakeHostSource::Log m_log;
};

void TestFormMain::init()
{
    // Nothing of the user's own: config and data live in the test's folder.
    m_fixture = std::make_unique<WindowFixture>();
    QVERIFY(m_fixture->isValid());
    m_log = FakeHostSource::Log();
}

void TestFormMain::cleanup()
{
    m_window.reset();
    m_fixture.reset();
}

std::unique_ptr<FormMain> TestFormMain::make(std::optional<bool> tray, bool autoScanOff)
{
    FormMain::Options options = m_fixture->options(tray);
    options.executablePath = QLatin1String(ProgramPath); // a blank in the path, for the autostart entry
    if (autoScanOff && !storeAutoScanOff(options.dataFolder))
        qFatal("the automatic mode cannot be stored off");
    return std::make_unique<FormMain>(options);
}

void TestFormMain::useFakeHosts(int answering, const QString &failure)
{
    m_window->scanRun().setSourceFactory(
        [this, answering, failure](const ScanRange &range, const HostSource::Pacing &pacing) {
            QHash<quint32, QString> macs;
            for (int i = 0; i < answering; ++i)
                macs.insert(quint32(i),
                            QStringLiteral("00-0A-E4-00-07-%1").arg(i, 2, 16, QLatin1Char('0')).toUpper());
            return new FakeHostSource(range, pacing, macs, failure, &m_log);
        });
}

QList<QMessageBox *> TestFormMain::openNoticeBoxes() const
{
    QList<QMessageBox *> open;
    for (QMessageBox *box : m_window->findChildren<QMessageBox *>(QLatin1String(AutoStepNotice::BoxName))) {
        if (box->isVisible())
            open << box;
    }
    return open;
}

void TestFormMain::startUpCreatesDatabase()
{
    // The one window here that starts on an empty T_set, and so with the
    // automatic mode on at 5 minutes. Its step could only run from the event
    // loop, five minutes on; before any event is processed the scan source is
    // scripted, the range a test range, and the mode switched off.
    m_window = make(false, false);
    useFakeHosts(0);
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "3"});
    const bool armed = m_window->autoScan().ArTimer().Enable();
    const int period = m_window->autoScan().ArTimer().Interval();
    m_window->autoScan().setAutoScan(false);
    QVERIFY(armed);
    QCOMPARE(period, 5 * 60000);
    QVERIFY(child<QCheckBox>("Check4")->isChecked());

    QVERIFY(QFile::exists(m_fixture->path(QStringLiteral("data/kestrel.mdb"))));
    // The defaults are written back: T_set now holds its one row.
    {
        RecordStore store(m_fixture->dataFolder());
        RecordStoreSession session(store);
        QVERIFY(session.isOpen());
        {
            QSqlQuery query(QStringLiteral("SELECT check1, check2, check3, check4, check5, mins FROM T_set"),
                            session.db());
            QVERIFY(query.next());
            QStringList row;
            for (int i = 0; i < 6; ++i)
                row << query.value(i).toString();
            QCOMPARE(row, QStringList({"0", "1", "1", "1", "0", "5"}));
            QVERIFY(!query.next());
        }
    }
    QCOMPARE(m_window->recordList().count(), 0);
    QVERIFY(m_fixture->prompt.requests().isEmpty());
    // Nothing is scanned at start.
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Idle);
    QCOMPARE(m_window->scanList().count(), 0);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Netkestrel"));
    QCOMPARE(child<QTabWidget>("TabS1")->currentIndex(), 0);
}

void TestFormMain::startUpLoadsRecordsAndRange()
{
    RecordStore store(m_fixture->dataFolder());
    QDir().mkpath(m_fixture->dataFolder());
    for (const char *ip : {"198.18.7.3", "198.18.7.4"}) {
        PresetRecord record =
            PresetRecord::fromFields({QLatin1String(ip), QStringLiteral("00-0A-E4-00-07-03")});
        QVERIFY(store.insertRecord(record));
    }
    m_window = make();
    QCOMPARE(m_window->recordList().count(), 2);
    QCOMPARE(m_window->recordList().text(1, RecordListModel::IpColumn), QStringLiteral("198.18.7.4"));

    const QString address = LocalAddress::GetLocalAddress(true);
    QVERIFY(!address.startsWith(QLatin1String("127.")));
    const QString panel3 = m_window->statusPanels()->panel(3)->text();
    QCOMPARE(panel3, QStringLiteral("Local IP:") + address + QStringLiteral(" ;Host Name:") +
                         LocalAddress::GetLocalAddress(false));
    const QStringList boxes = m_window->rangeEntry()->boxes();
    if (address.isEmpty()) {
        QCOMPARE(boxes, QStringList(8, QString()));
        QCOMPARE(m_window->statusPanels()->statusText(), QLatin1String(FormMain::NoAddressText));
    } else {
        QCOMPARE(boxes, LocalAddress::defaultRangeBoxes(address));
    }
}

void TestFormMain::defaultRange_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("10.0.0.5") << "10.0.0.5" << QStringList{"10", "0", "0", "1", "10", "0", "0", "255"};
    QTest::newRow("192.168.5.77") << "192.168.5.77"
                                  << QStringList{"192", "168", "5", "1", "192", "168", "5", "255"};
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("three parts") << "10.0.5" << QStringList();
    QTest::newRow("IPv6") << "fe80::1" << QStringList();
}

void TestFormMain::defaultRange()
{
    QFETCH(QString, address);
    QFETCH(QStringList, boxes);
    QCOMPARE(LocalAddress::defaultRangeBoxes(address), boxes);
}

void TestFormMain::routes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("command");
    QTest::newRow("menu Clear list") << "action"
                                     << "SMmenu6"
                                     << "SMmenu6";
    QTest::newRow("button Clear") << "button"
                                  << "CmdClear"
                                  << "SMmenu6";
    QTest::newRow("pop-up Clear list") << "action"
                                       << "menuPopS8"
                                       << "SMmenu6";
    QTest::newRow("button Find (tool box)") << "button"
                                            << "CmdFindS"
                                            << "SMmenu2";
    QTest::newRow("pop-up Find...") << "action"
                                    << "menuPopS7"
                                    << "SMmenu2";
    QTest::newRow("button Delete") << "button"
                                   << "CmdDel"
                                   << "BAmenu18";
    QTest::newRow("pop-up Delete Select") << "action"
                                          << "menuPopD6"
                                          << "BAmenu18";
    QTest::newRow("button Find (database)") << "button"
                                            << "CmdFindR"
                                            << "BAmenu5";
    QTest::newRow("pop-up Find Record") << "action"
                                        << "menuPopD8"
                                        << "BAmenu5";
    QTest::newRow("button Scan") << "button"
                                 << "CmdStar"
                                 << "SMmenu8";
    QTest::newRow("pop-up Scan") << "action"
                                 << "menuPopS0"
                                 << "SMmenu8";
    QTest::newRow("key F5") << "key"
                            << "F5"
                            << "SMmenu8";
    QTest::newRow("tray Open the main board") << "action"
                                              << "SYSmenu1"
                                              << "SYSmenu1";
}

void TestFormMain::routes()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, command);
    m_window = make();
    m_window->rangeEntry()->setBoxes({}); // a Scan ends in its refusal: nothing runs
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy routed(m_window->menus(), &MainMenus::commandTriggered);
    if (kind == QLatin1String("button"))
        QTest::mouseClick(child<QPushButton>(qPrintable(name)), Qt::LeftButton);
    else if (kind == QLatin1String("key"))
        QTest::keySequence(m_window.get(), QKeySequence(name));
    else
        m_window->menus()->action(name)->trigger();
    QCOMPARE(routed.count(), 1);
    QCOMPARE(routed.first().first().toString(), command);
}

void TestFormMain::listCommandsFromPopups()
{
    m_window = make();
    ScanListModel &list = m_window->scanList();
    for (int i = 0; i < 4; ++i) {
        ScanRow row;
        row.number = QString::number(i + 1);
        row.ipAddress = QStringLiteral("198.18.7.%1").arg(i + 1);
        list.appendScanRow(row);
    }
    MainMenus *menus = m_window->menus();
    menus->action(QStringLiteral("menuPopS11"))->trigger();
    QCOMPARE(list.checkedRows(), QList<int>({0, 1, 2, 3}));
    menus->action(QStringLiteral("menuPopS12"))->trigger();
    QCOMPARE(list.checkedRows(), QList<int>());
    list.setChecked(1, true);
    list.setChecked(2, true);
    menus->action(QStringLiteral("SMmenu13"))->trigger();
    QCOMPARE(list.checkedRows(), QList<int>({0, 3}));
    menus->action(QStringLiteral("menuPopS14"))->trigger();
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.text(0, 1), QStringLiteral("198.18.7.2"));
    QTest::mouseClick(child<QPushButton>("CmdClear"), Qt::LeftButton);
    QCOMPARE(list.count(), 0);
}

void TestFormMain::scanControlsFollowTheRun()
{
    m_window = make();
    m_window->show();
    useFakeHosts(200);
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "250"});
    auto *scan = child<QPushButton>("CmdStar");
    auto *pause = child<QPushButton>("CmdPause");
    auto *stop = child<QPushButton>("CmdStop");
    MainMenus *menus = m_window->menus();
    auto enabled = [menus](const char *name) { return menus->action(QLatin1String(name))->isEnabled(); };
    QVERIFY(scan->isEnabled() && !pause->isEnabled() && !stop->isEnabled());

    QTest::mouseClick(scan, Qt::LeftButton);
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Running);
    QVERIFY(!scan->isEnabled() && pause->isEnabled() && stop->isEnabled());
    QVERIFY(!enabled("SMmenu8") && enabled("SMmenu9") && enabled("SMmenu10"));
    QVERIFY(!enabled("menuPopS0") && enabled("menuPopS1") && enabled("menuPopS2"));
    QVERIFY(m_window->statusPanels()->animationTimer()->isActive());
    QTRY_VERIFY(m_window->statusPanels()->progressBar()->isVisible());

    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Paused);
    QCOMPARE(pause->text(), QStringLiteral("Continue"));
    QCOMPARE(menus->action(QStringLiteral("SMmenu9"))->text(), QStringLiteral("Continue"));
    QVERIFY(!m_window->statusPanels()->animationTimer()->isActive());
    // Check1 is read anew for every host, also during the run.
    child<QCheckBox>("Check1")->setChecked(true);
    QVERIFY(m_window->scanRun().showSilent());

    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QVERIFY(m_window->statusPanels()->animationTimer()->isActive());

    QTest::mouseClick(stop, Qt::LeftButton);
    QTRY_COMPARE(m_window->scanRun().state(), ScanRun::State::Idle);
    QVERIFY(scan->isEnabled() && !pause->isEnabled() && !stop->isEnabled());
    QVERIFY(enabled("SMmenu8") && !enabled("SMmenu9") && !enabled("SMmenu10"));
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QVERIFY(!m_window->statusPanels()->animationTimer()->isActive());
    QCOMPARE(m_window->statusPanels()->animationFrame(), 0);
    QVERIFY(!m_window->statusPanels()->progressBar()->isVisible());
    QVERIFY(m_window->statusPanels()->statusText().startsWith(QLatin1String("Scan Complete! Scanned: ")));
    QVERIFY(m_window->statusPanels()->statusText().endsWith(QLatin1String(" connected ")));
    QVERIFY(m_window->scanList().count() > 0);
}

void TestFormMain::refusedRangeIsExplained()
{
    m_window = make();
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "", "9"});
    m_window->rangeEntry()->setMethod(ScanMethod::Udp);
    useFakeHosts(0);
    m_window->menus()->action(QStringLiteral("SMmenu8"))->trigger();
    QCOMPARE(m_fixture->prompt.requests().size(), 1);
    QCOMPARE(m_fixture->prompt.lastRequest().title, QStringLiteral("Notice"));
    QCOMPARE(m_fixture->prompt.lastRequest().icon, PromptIcon::Exclamation);
    QVERIFY(!m_fixture->prompt.lastRequest().text.isEmpty());
    QCOMPARE(m_window->scanRun().state(), ScanRun::State::Idle);
    QVERIFY(m_log.requested.isEmpty());
}

void TestFormMain::minimumSize()
{
    m_window = make();
    m_window->show();
    // 7100 x 7300 twips at 15 twips to the pixel.
    QCOMPARE(m_window->minimumSize(), QSize(474, 487));
    m_window->resize(333, 333); // 5000 x 5000 twips
    QCOMPARE(m_window->size(), QSize(474, 487));
}

void TestFormMain::splitterBounds_data()
{
    QTest::addColumn<int>("windowHeight");
    QTest::addColumn<int>("dropAt");
    QTest::addColumn<int>("top");
    QTest::newRow("above the least top") << 9000 << 1000 << 3250;
    QTest::newRow("inside") << 9000 << 4000 << 4000;
    QTest::newRow("below window height - 3900") << 9000 << 7000 << 5100;
    QTest::newRow("small window") << 7305 << 5000 << 3405;
}

void TestFormMain::splitterBounds()
{
    QFETCH(int, windowHeight);
    QFETCH(int, dropAt);
    QFETCH(int, top);
    QCOMPARE(ScanPaneLayout::clampOnRelease(dropAt, windowHeight), top);
    QCOMPARE(ScanPaneLayout::clampOnResize(9000, windowHeight), windowHeight - 3900);
    QCOMPARE(ScanPaneLayout::clampOnResize(3300, windowHeight), 3300);
}

void TestFormMain::splitterDrag()
{
    m_window = make();
    m_window->resize(800, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    ScanPane *pane = m_window->scanPane();
    SplitterBar *bar = pane->splitter();
    const QColor idle = bar->palette().color(QPalette::Window);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 2));
    QCOMPARE(bar->palette().color(QPalette::Window), pane->palette().color(QPalette::Highlight));
    // Far up: the bar follows the pointer, then snaps back to 3250 twips on release.
    QMouseEvent move(QEvent::MouseMove, QPointF(5, -400), bar->mapToGlobal(QPointF(5, -400)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(bar, &move);
    QVERIFY(bar->y() < 0);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, 2));
    QCOMPARE(pane->splitterTop(), 3250);
    QCOMPARE(bar->y(), 217);
    QCOMPARE(bar->palette().color(QPalette::Window), idle);
    // The scan list ends above the bar: its height is (top - 100) twips.
    QCOMPARE(child<QWidget>("ListView1")->height(), 210);
}

void TestFormMain::paneGeometry()
{
    m_window = make();
    m_window->resize(800, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    ScanPane *pane = m_window->scanPane();
    pane->dropSplitterAt(4000);
    QWidget *scanList = child<QWidget>("ListView1");
    QWidget *analysis = child<QWidget>("ListView3");
    QWidget *frames = child<QWidget>("OptionFrames");
    // The frames' column is 3900 twips, or wider where the font needs it.
    const int column = std::max(3900, frames->minimumSizeHint().width() * 15 + 200);
    QVERIFY(frames->width() >= frames->minimumSizeHint().width());
    QCOMPARE(scanList->pos(), QPoint(3, 3));
    QCOMPARE(scanList->width(), qRound((pane->width() * 15 - column) / 15.0));
    QCOMPARE(analysis->x(), scanList->x());
    QCOMPARE(analysis->width(), scanList->width());
    QCOMPARE(analysis->y(), qRound((4000 + 95) / 15.0));
    QVERIFY(analysis->geometry().bottom() < pane->height());
    QCOMPARE(frames->x(), qRound((50 + pane->width() * 15 - column + 100) / 15.0));
    QCOMPARE(child<QWidget>("PicMove")->width(), pane->width());
}

void TestFormMain::tabSwitch()
{
    m_window = make();
    m_window->show();
    auto *tabs = child<QTabWidget>("TabS1");
    QCOMPARE(tabs->tabText(0), QStringLiteral("Scan"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Database"));
    QVERIFY(child<QWidget>("Picture3")->isVisible());
    QVERIFY(!child<QWidget>("Picture4")->isVisible());
    tabs->setCurrentIndex(1);
    QVERIFY(!child<QWidget>("Picture3")->isVisible());
    QVERIFY(child<QWidget>("Picture4")->isVisible());
    QVERIFY(child<QWidget>("ListView2")->isVisible());
}

void TestFormMain::scanRowTooltip()
{
    ScanRow row;
    row.ipAddress = QStringLiteral("198.18.7.3");
    row.macAddress = QStringLiteral("00-0A-E4-00-07-03");
    row.hostName = QStringLiteral("HOST3");
    row.workgroup = QStringLiteral("LAB");
    row.vendor = QStringLiteral("Maker");
    QCOMPARE(ScanListView::tooltipText(row),
             QStringLiteral("IP Address:198.18.7.3\r\n\tMAC Address:00-0A-E4-00-07-03\r\n\tHost Name:HOST3"
                            "\r\n\tWorkgroup:LAB\r\n\tNIC Vendor:Maker"));
}

void TestFormMain::mini_data()
{
    QTest::addColumn<bool>("tray");
    QTest::addColumn<bool>("mini");
    QTest::addColumn<bool>("visible");
    QTest::newRow("mini, tray: hidden in the tray") << true << true << false;
    QTest::newRow("mini, no tray: minimised, reachable") << false << true << true;
    QTest::newRow("no mini, tray: shown") << true << false << true;
    QTest::newRow("no mini, no tray: shown") << false << false << true;
}

void TestFormMain::mini()
{
    QFETCH(bool, tray);
    QFETCH(bool, mini);
    QFETCH(bool, visible);
    m_window = make(tray);
    m_window->startUp(mini);
    QCOMPARE(m_window->isVisible(), visible);
    QCOMPARE(m_window->isMinimized(), mini);
    if (mini && tray) {
        // A left click on the icon brings it back.
        m_window->trayClicked();
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_window->isMinimized());
    }
}

void TestFormMain::minimiseHidesToTrayAndComesBack()
{
    m_window = make(true);
    m_window->startUp(false);
    m_window->showMaximized();
    QTRY_VERIFY(m_window->isMaximized());
    m_window->trayClicked(); // shown: the click minimises into the tray
    QTRY_VERIFY(!m_window->isVisible());
    m_window->menus()->action(QStringLiteral("SYSmenu1"))->trigger();
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->isMaximized()); // the state from before

    m_window = make(false);
    m_window->startUp(false);
    m_window->showMinimized();
    QTest::qWait(50);
    QVERIFY(m_window->isVisible()); // no tray: stays on the taskbar
}

void TestFormMain::realTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("the desktop has no system tray");
    m_window = make(std::nullopt);
    m_window->startUp(true);
    QVERIFY(m_window->tray()->isAvailable());
    QVERIFY(m_window->tray()->icon()->isVisible());
    QCOMPARE(m_window->tray()->icon()->toolTip(), QStringLiteral("Netkestrel is running ..."));
    QVERIFY(!m_window->isVisible());
}

void TestFormMain::autorunMirrorsEntry()
{
    m_window = make();
    auto *box = child<QCheckBox>("Check6");
    QAction *item = m_window->menus()->action(QStringLiteral("menuSet1"));
    QCOMPARE(box->text(), QStringLiteral("Auto run when logon to Windows"));
    QVERIFY(!box->isChecked() && !item->isChecked());
    AutostartEntry entry(m_fixture->path(QStringLiteral("config/autostart")));

    item->trigger();
    QVERIFY(box->isChecked() && item->isChecked());
    QCOMPARE(entry.readCommand(), QStringLiteral("\"/opt/nk tools/netkestrel\" mini"));
    QCOMPARE(m_window->ownCommand(), entry.readCommand());

    box->click();
    QVERIFY(!box->isChecked() && !item->isChecked());
    QVERIFY(!QFile::exists(entry.filePath()));

    box->click();
    QVERIFY(item->isChecked());
    item->trigger();
    QVERIFY(!box->isChecked() && !item->isChecked());
    QVERIFY(!QFile::exists(entry.filePath()));
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

void TestFormMain::autorunReadAtStartUp_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("checked");
    QTest::newRow("own command") << "\"/opt/nk tools/netkestrel\" mini" << true;
    QTest::newRow("another program") << "/usr/bin/other mini" << false;
    QTest::newRow("own program without mini") << "\"/opt/nk tools/netkestrel\"" << false;
    QTest::newRow("no entry") << "" << false;
}

void TestFormMain::autorunReadAtStartUp()
{
    QFETCH(QString, command);
    QFETCH(bool, checked);
    if (!command.isEmpty())
        QVERIFY(AutostartEntry(m_fixture->path(QStringLiteral("config/autostart"))).write(command));
    m_window = make();
    QCOMPARE(child<QCheckBox>("Check6")->isChecked(), checked);
    QCOMPARE(m_window->menus()->action(QStringLiteral("menuSet1"))->isChecked(), checked);
}

void TestFormMain::helpOpensShippedPage()
{
    m_window = make();
    const QString page = m_window->helpPagePath();
    QVERIFY2(QFile::exists(page), qPrintable(page));
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    QVERIFY(html.contains("<h2 id=\"scan\">"));
    // "Browse the Latest Version" lands on the installed version, filled in by the build.
    QVERIFY(html.contains("<p id=\"version\">This page was installed with <b>Netkestrel " NETKESTREL_VERSION
                          "</b>"));
    QVERIFY(!html.contains('@'));
    for (const char *item : {"menuHelp0", "menuHelp5", "SYSmenu2", "menuHelp2"})
        m_window->menus()->action(QLatin1String(item))->trigger();
    const QList<QUrl> &opened = m_fixture->desktop.opened();
    QCOMPARE(opened.size(), 4);
    QCOMPARE(opened.at(0), QUrl::fromLocalFile(page));
    QCOMPARE(opened.at(1).fragment(), QStringLiteral("about"));
    QCOMPARE(opened.at(2), opened.at(1));
    QCOMPARE(opened.at(3).fragment(), QStringLiteral("version"));
    for (const QUrl &url : opened) {
        QCOMPARE(url.toLocalFile(), page);
        if (url.hasFragment())
            QVERIFY2(html.contains("id=\"" + url.fragment().toUtf8() + '"'), qPrintable(url.fragment()));
    }
    QVERIFY(m_fixture->prompt.requests().isEmpty());

    QVERIFY(!m_window->findChild<HelpWindow *>(QLatin1String(HelpWindow::Name)));
}

void TestFormMain::analysisFromButtonAndOptionsKept()
{
    m_window = make();
    ScanRow row;
    row.number = QStringLiteral("1");
    row.ipAddress = QStringLiteral("198.18.7.9");
    row.macAddress = QStringLiteral("00-0A-E4-00-07-09");
    m_window->scanList().appendScanRow(row);
    QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton); // "Analyze All"
    QVERIFY(m_window->analysisList().count() > 0);
    // Unticking a box is saved at once and comes back at the next start.
    auto *ipBox = child<QCheckBox>("Check3");
    QVERIFY(ipBox->isChecked());
    ipBox->click();
    m_window = make();
    QVERIFY(!child<QCheckBox>("Check3")->isChecked());
    QVERIFY(child<QCheckBox>("Check2")->isChecked());
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

void TestFormMain::everyEnabledItemHasAHandler()
{
    // The items come from the menu tables themselves: an item that is
    // enabled (at start or while a scan runs) and runs a command of its own
    // must do something when chosen. Pop-up entries forward to these.
    m_window = make();
    const MainMenus *menus = m_window->menus();
    int commands = 0;
    for (const auto design : {MainMenus::itemDesign(), MainMenus::trayDesign()}) {
        for (const MenuEntry &entry : design) {
            if (entry.kind != MenuEntry::Kind::Item || entry.state == MenuEntry::State::NotBuilt ||
                entry.forwardsTo)
                continue;
            const QString name = QLatin1String(entry.name);
            QVERIFY2(menus->isCommand(name), entry.name);
            QVERIFY2(menus->hasHandler(name), entry.name);
            ++commands;
        }
    }
    QVERIFY(commands > 20);
}

void TestFormMain::clearAnalysisListAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("left");
    QTest::newRow("OK clears") << int(PromptAnswer::Ok) << 0;
    QTest::newRow("Cancel keeps") << int(PromptAnswer::Cancel) << 2;
}

void TestFormMain::clearAnalysisListAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(int, left);
    m_window = make();
    m_window->analysisList().appendEntry({QStringLiteral("t1"), QStringLiteral("a")});
    m_window->analysisList().appendEntry({QStringLiteral("t2"), QStringLiteral("b")});
    m_fixture->prompt.queueAnswer(PromptAnswer(answer));
    m_window->menus()->action(QStringLiteral("JSmenu5"))->trigger();
    QCOMPARE(m_window->analysisList().count(), left);
    QCOMPARE(m_fixture->prompt.requests().size(), 1);
    const PromptRequest asked = m_fixture->prompt.lastRequest();
    QCOMPARE(asked.title, QStringLiteral("Notice"));
    QCOMPARE(asked.text, QStringLiteral("Comfirm to clear the analusis list?"));
    QCOMPARE(asked.buttons, PromptButtons::OkCancel);
    QCOMPARE(asked.defaultAnswer, PromptAnswer::Cancel);
    QCOMPARE(asked.icon, PromptIcon::Information);
}

void TestFormMain::userScanThatCannotStart()
{
    // The user is there: the reason in a message box, as before the run
    // returns to Idle.
    m_window = make();
    useFakeHosts(0, QStringLiteral("Winsock Initialization Error !"));
    m_window->rangeEntry()->setBoxes({"198", "18", "7", "1", "198", "18", "7", "3"});
    QSignalSpy finished(&m_window->scanRun(), &ScanRun::finished);
    m_window->menus()->action(QStringLiteral("SMmenu8"))->trigger();
    QVERIFY(finished.wait(2000));
    QCOMPARE(m_fixture->prompt.requests().size(), 1);
    QCOMPARE(m_fixture->prompt.lastRequest().title, QStringLiteral("Error"));
    QCOMPARE(m_fixture->prompt.lastRequest().text, QStringLiteral("Winsock Initialization Error !"));
    QCOMPARE(m_fixture->prompt.lastRequest().buttons, PromptButtons::Ok);
    QCOMPARE(m_fixture->prompt.lastRequest().icon, PromptIcon::Exclamation);
    QVERIFY(openNoticeBoxes().isEmpty());
    QVERIFY(m_window->menus()->action(QStringLiteral("SMmenu8"))->isEnabled());
}

void TestFormMain::automaticStepsThatCannotStart_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("failure"); // of the host source; empty: the range is refused
    QTest::newRow("no socket") << QStringList{"198", "18", "7", "1", "198", "18", "7", "3"}
                               << "Winsock Initialization Error !";
    QTest::newRow("refused range") << QStringList() << QString();
}

void TestFormMain::automaticStepsThatCannotStart()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, failure);
    m_window = make();
    m_window->show();
    useFakeHosts(0, failure);
    m_window->rangeEntry()->setBoxes(boxes);
    QString reason = failure;
    if (reason.isEmpty()) {
        ScanRangeEntry *entry = m_window->rangeEntry();
        const auto range = ScanRange::fromBoxes(entry->boxesForScan(), entry->method());
        QVERIFY(!range);
        reason = range.error();
    }
    AutoScanController &autoScan = m_window->autoScan();
    autoScan.setMinutes(1440);
    autoScan.setAutoScan(true);
    QSignalSpy steps(&autoScan, &AutoScanController::stepFinished);

    // Nobody watches: each step ends at once and the mode goes on, the
    // status bar says why, and one box waits instead of one per step.
    for (int step = 1; step <= 2; ++step) {
        autoScan.ArTimer_Timer();
        QTRY_COMPARE(steps.count(), step);
        QVERIFY(autoScan.ArTimer().Enable());
        QCOMPARE(m_window->statusPanels()->statusText(), QLatin1String(AutoStepNotice::StatusLead) + reason);
        QCOMPARE(openNoticeBoxes().size(), 1);
    }
    QMessageBox *box = openNoticeBoxes().first();
    QCOMPARE(box->text(), reason);
    QVERIFY(box->windowModality() == Qt::NonModal);
    QVERIFY(m_fixture->prompt.requests().isEmpty());
    QVERIFY(m_log.requested.isEmpty());

    // Once read and closed, the next failing step shows a box again.
    box->close();
    QTRY_VERIFY(openNoticeBoxes().isEmpty());
    autoScan.ArTimer_Timer();
    QTRY_COMPARE(steps.count(), 3);
    QCOMPARE(openNoticeBoxes().size(), 1);
    autoScan.setAutoScan(false);
}

void TestFormMain::modifyWithoutHighlight_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<int>("highlighted"); // -1: none
    QTest::addColumn<QString>("trigger"); // button or menu item
    QTest::addColumn<QString>("modifiedIp");
    const QStringList two{"198.18.7.3", "198.18.7.4"};
    QTest::newRow("button, none highlighted") << two << -1 << "CmdMod"
                                              << "198.18.7.3";
    QTest::newRow("menu, none highlighted") << two << -1 << "BAmenu2"
                                            << "198.18.7.3";
    QTest::newRow("button, second highlighted") << two << 1 << "CmdMod"
                                                << "198.18.7.4";
    QTest::newRow("empty list") << QStringList() << -1 << "CmdMod"
                                << "";
}

void TestFormMain::modifyWithoutHighlight()
{
    QFETCH(QStringList, records);
    QFETCH(int, highlighted);
    QFETCH(QString, trigger);
    QFETCH(QString, modifiedIp);
    RecordStore store(m_fixture->dataFolder());
    QDir().mkpath(m_fixture->dataFolder());
    for (int i = 0; i < records.size(); ++i) {
        PresetRecord record =
            PresetRecord::fromFields({records.at(i), QStringLiteral("00-0A-E4-00-07-0%1").arg(i)});
        QVERIFY(store.insertRecord(record));
    }
    m_window = make();
    m_window->show();
    child<QTabWidget>("TabS1")->setCurrentIndex(1);
    m_window->recordList().setCurrentRow(highlighted);
    if (trigger.startsWith(QLatin1String("Cmd")))
        QTest::mouseClick(child<QPushButton>(qPrintable(trigger)), Qt::LeftButton);
    else
        m_window->menus()->action(trigger)->trigger();

    auto *editor = m_window->findChild<FormAddJF *>(QStringLiteral("FormAddJF"));
    if (modifiedIp.isEmpty()) {
        QVERIFY(!editor); // as before: nothing to modify, nothing said
        QVERIFY(m_fixture->prompt.requests().isEmpty());
        return;
    }
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QStringLiteral("Modify the Record"));
    QCOMPARE(editor->box(0)->text(), modifiedIp);
    const int current = m_window->recordList().currentRow();
    QCOMPARE(m_window->recordList().text(current, RecordListModel::IpColumn), modifiedIp);
    QCOMPARE(m_window->state().CurrentRecordId, m_window->recordList().idText(current));
    editor->close();
}

void TestFormMain::analysisColumnWidths()
{
    m_window = make();
    m_window->resize(800, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *view = child<QTableView>("ListView3");
    // Blank (the row icon), "Date/Time", "Result", in twips.
    const int widths[] = {265, 3175, 15875};
    for (int column = 0; column < 3; ++column)
        QCOMPARE(view->columnWidth(column), Twips::toPixels(widths[column]));
}

void TestFormMain::helpWithoutBrowser()
{
    // A desktop without a browser: the page opens in the program's own
    // window, at the section asked for, one window for every request.
    m_window = make();
    m_window->show();
    m_fixture->desktop.setAnswer(false);
    const QUrl page = QUrl::fromLocalFile(m_window->helpPagePath());
    m_window->menus()->action(QStringLiteral("menuHelp0"))->trigger();
    QCOMPARE(m_fixture->desktop.opened(), QList<QUrl>{page}); // the browser was asked first
    auto *help = m_window->findChild<HelpWindow *>(QLatin1String(HelpWindow::Name));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->browser()->source(), page);
    QVERIFY(help->browser()->toPlainText().contains(QLatin1String("Scanning")));

    m_window->menus()->action(QStringLiteral("menuHelp5"))->trigger();
    QCOMPARE(m_window->findChildren<HelpWindow *>().size(), 1);
    QCOMPARE(help->browser()->source().fragment(), QStringLiteral("about"));
    QVERIFY(m_fixture->prompt.requests().isEmpty());

    // Closed, it goes; the next request opens a new one.
    help->close();
    QTRY_VERIFY(m_window->findChildren<HelpWindow *>().isEmpty());
    m_window->menus()->action(QStringLiteral("menuHelp0"))->trigger();
    QCOMPARE(m_window->findChildren<HelpWindow *>().size(), 1);
    QVERIFY(m_fixture->prompt.requests().isEmpty());
}

QTEST_MAIN(TestFormMain)
#include "TestFormMain.moc"
