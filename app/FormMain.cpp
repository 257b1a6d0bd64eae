#include "FormMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>

#include "AnalysisPrinter.h"
#include "DataFolder.h"
#include "DatabasePane.h"
#include "FindNextInList.h"
#include "FormAddJF.h"
#include "FormCZ.h"
#include "ListView.h"
#include "LocalAddress.h"
#include "MainIcons.h"
#include "MainMenus.h"
#include "MessageBoxPrompt.h"
#include "OptionFrames.h"
#include "ScanPane.h"
#include "ScanPaneLayout.h"
#include "ScanRangeEntry.h"
#include "ScanListView.h"
#include "StatusBarPanels.h"
#include "TrayIcon.h"
#include "Twips.h"
#include "VendorResolver.h"

namespace {

Prompt *promptFor(const FormMain::Options &options, std::unique_ptr<Prompt> *own)
{
    if (options.prompt)
        return options.prompt;
    *own = std::make_unique<MessageBoxPrompt>();
    return own->get();
}

} // namespace

FormMain::FormMain(const Options &options, QWidget *parent)
    : QMainWindow(parent),
      m_options(options),
      m_prompt(promptFor(options, &m_ownPrompt)),
      m_store(options.dataFolder),
      m_recordCommands(m_store, m_recordList, *m_prompt, m_state),
      m_optionsStore(m_store),
      m_analyzer(&m_scanList, &m_recordList, &m_analysisList, m_prompt),
      m_scanRun(&m_scanList, m_prompt),
      // The automatic step scans as the Scan button does: the range boxes and Check1.
      m_autoScan(std::make_unique<AutoScanController>(&m_scanRun, &m_analyzer, [this] { return startScan(); })),
      m_autostart(options.autostartFolder),
      m_ownCommand(AutostartEntry::ownCommand(
          options.executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : options.executablePath))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Netkestrel"));
    setWindowIcon(MainIcons::programIcon());
    if (auto *boxes = dynamic_cast<MessageBoxPrompt *>(m_ownPrompt.get()))
        boxes->setParent(this);

    buildWindow();
    routeCommands();
    connectScanRun();

    // Start-up, in this order (Combo1 was filled when the frames were
    // built). Nothing here scans; the automatic mode's first step comes one
    // full period after start-up at the earliest.
    loadDatabase();
    showLocalAddress();
    readAutorun();
    loadAnalysisOptions();
    m_recordCommands.addLIST();
    startAutoScan();
    m_tabs->setCurrentIndex(0);
}

FormMain::~FormMain()
{
    // No step may start or analyse while the window goes.
    m_autoScan.reset();
    m_scanRun.stop();
}

ScanRangeEntry *FormMain::rangeEntry() const
{
    return m_frames->rangeEntry();
}

void FormMain::buildWindow()
{
    setMinimumSize(Twips::toPixelsAtLeast(ScanPaneLayout::MinWindowWidth),
                   Twips::toPixelsAtLeast(ScanPaneLayout::MinWindowHeight));
    resize(820, 620);

    const QList<QIcon> icons = MainIcons::rowIcons();
    m_scanList.setSmallIcons(icons);
    m_recordList.setSmallIcons(icons);
    m_analysisList.setSmallIcons(icons);

    m_scanView = new ScanListView(&m_scanList);
    m_scanView->setColumnClickHandler([this](int column) { m_scanList.columnClicked(column); });
    m_recordView = new ListView(&m_recordList, QStringLiteral("ListView2"),
                                {800, 1300, 1600, -1, -1, -1, -1, -1, -1, -1, 0});
    m_recordView->fitAddressColumns();
    m_recordView->setColumnClickHandler([this](int column) { m_recordList.columnClicked(column); });
    m_analysisView = new ListView(&m_analysisList, QStringLiteral("ListView3"), {400, 2400, -1});

    m_frames = new OptionFrames;
    m_scanPane = new ScanPane(m_scanView, m_analysisView, m_frames);
    m_frames->setAutoFillBackground(true);
    m_frames->raise();  // the splitter spans the pane, under the frames
    m_databasePane = new DatabasePane(m_recordView);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabS1"));
    m_tabs->addTab(m_scanPane, MainIcons::scanTabIcon(), QStringLiteral("Scan"));
    m_tabs->addTab(m_databasePane, MainIcons::databaseTabIcon(), QStringLiteral("Database"));
    m_autorunBox = new QCheckBox(QStringLiteral("Auto run when logon to Windows"), m_tabs);
    m_autorunBox->setObjectName(QStringLiteral("Check6"));
    m_tabs->setCornerWidget(m_autorunBox, Qt::TopRightCorner);
    setCentralWidget(m_tabs);

    m_status = new StatusBarPanels(this);
    setStatusBar(m_status);

    m_menus = new MainMenus(this);
    m_menus->fillMenuBar(menuBar());
    menuBar()->setObjectName(QStringLiteral("MenuBar"));

    const bool trayAvailable = m_options.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
    m_tray = new TrayIcon(windowIcon(), m_menus->menu(QStringLiteral("SYSmenu")), trayAvailable, this);
    connect(m_tray, &TrayIcon::leftClicked, this, &FormMain::trayClicked);
}

void FormMain::routeCommands()
{
    MainMenus *m = m_menus;
    auto on = [m](const char *name, std::function<void()> handler) { m->setHandler(QLatin1String(name), std::move(handler)); };

    // Scan, Pause, Stop.
    on("SMmenu8", [this] { startScan(); });
    on("SMmenu9", [this] { m_scanRun.togglePause(); });
    on("SMmenu10", [this] { m_scanRun.stop(); });

    // The scan list.
    on("SMmenu2", [this] { startFind(m_scanList, ProgramState::FindScanList); });
    on("SMmenu6", [this] { m_scanList.clear(); });
    on("SMmenu11", [this] { m_scanList.setAllChecked(true); });
    on("SMmenu12", [this] { m_scanList.setAllChecked(false); });
    on("SMmenu13", [this] { m_scanList.invertChecked(); });
    on("SMmenu14", [this] { m_scanList.removeChecked(); });

    // The record list.
    on("BAmenu1", [this] {
        m_recordCommands.beginAdd();
        openRecordEditor();
    });
    on("BAmenu2", [this] {
        if (m_recordCommands.beginModify())
            openRecordEditor();
    });
    on("BAmenu15", [this] { m_recordList.setAllChecked(true); });
    on("BAmenu16", [this] { m_recordList.setAllChecked(false); });
    on("BAmenu17", [this] { m_recordList.invertChecked(); });
    on("BAmenu18", [this] { m_recordCommands.deleteSelected(); });
    on("BAmenu5", [this] { startFind(m_recordList, ProgramState::FindRecordList); });

    // Settings, help and the tray.
    on("menuSet1", [this] { setAutorun(m_menus->action(QStringLiteral("menuSet1"))->isChecked()); });
    on("menuHelp0", [this] { openUrl(QUrl::fromLocalFile(helpPagePath())); });
    on("menuHelp2", [this] { openUrl(productPage(helpPagePath())); });
    on("menuHelp5", [this] { openUrl(productPage(helpPagePath())); });
    on("SYSmenu1", [this] { openMainBoard(); });
    on("SYSmenu2", [this] { openUrl(productPage(helpPagePath())); });
    on("SYSmenu4", [this] { close(); });

    connect(m_autorunBox, &QCheckBox::clicked, this, &FormMain::setAutorun);

    // Buttons run the command of their menu item.
    const char *const scanButtons[][2] = {
        {"CmdStar", "SMmenu8"},   {"CmdPause", "SMmenu9"},  {"CmdStop", "SMmenu10"}, {"Command4", "JSmenu3"},
        {"Command3", "JSmenu4"},  {"CmdSave", "SMmenu3"},   {"CmdaddToR", "SMmenu5"}, {"CmdFindS", "SMmenu2"},
        {"CmdClear", "SMmenu6"},
    };
    for (const auto &entry : scanButtons)
        m->bindButton(m_frames->button(QLatin1String(entry[0])), QLatin1String(entry[1]));
    const char *const recordButtons[][2] = {
        {"CmdAdd", "BAmenu1"},  {"CmdMod", "BAmenu2"},   {"CmdDel", "BAmenu18"},
        {"CmdBack", "BAmenu9"}, {"CmdFindR", "BAmenu5"}, {"CmdPing", "BAmenu13"},
    };
    for (const auto &entry : recordButtons)
        m->bindButton(m_databasePane->button(QLatin1String(entry[0])), QLatin1String(entry[1]));

    on("JSmenu3", [this] { m_analyzer.AnalyzeSelected(); });
    on("JSmenu4", [this] { m_analyzer.AnalyzeAll(); });
    on("JSmenu5", [this] { m_analyzer.ClearAnalysisList(); });
    on("JSmenu2", [this] { printAnalysisList(); });
    for (int number : {1, 2, 3, 5})
        connect(m_frames->check(number), &QCheckBox::clicked, this, &FormMain::saveAnalysisOptions);
    // The analyzer follows Check2, Check3 and Check5 at once, so that the
    // automatic step's AnalyzeAll applies them as the buttons do.
    for (int number : {2, 3, 5})
        connect(m_frames->check(number), &QCheckBox::toggled, this, &FormMain::applyAnalyzerOptions);

    // The automatic mode.
    connect(m_frames->check(4), &QCheckBox::clicked, this, &FormMain::autoScanClicked);
    QComboBox *minutes = m_frames->minutes();
    connect(minutes, &QComboBox::currentTextChanged, this, &FormMain::minutesTextChanged);
    connect(minutes->lineEdit(), &QLineEdit::editingFinished, this, &FormMain::minutesEditFinished);
    connect(m_autoScan.get(), &AutoScanController::autoScanCheckEnabledChanged, m_frames->check(4),
            &QWidget::setEnabled);

    // The pop-up menus of the three lists.
    connect(m_scanView, &ListView::popupRequested, this,
            [this](const QPoint &at) { m_menus->menu(QStringLiteral("menuPopS"))->popup(at); });
    connect(m_recordView, &ListView::popupRequested, this,
            [this](const QPoint &at) { m_menus->menu(QStringLiteral("menuPopD"))->popup(at); });
    connect(m_analysisView, &ListView::popupRequested, this,
            [this](const QPoint &at) { m_menus->menu(QStringLiteral("JSmenu"))->popup(at); });
    connect(m_recordView, &QAbstractItemView::doubleClicked, this,
            [this] { m_menus->action(QStringLiteral("BAmenu2"))->trigger(); });
}

void FormMain::connectScanRun()
{
    VendorResolver *vendors = new VendorResolver(m_options.dataFolder);
    m_vendors.reset(vendors);
    m_scanRun.setVendorLookup([vendors](const QString &mac) { return vendors->vendorOf(mac); });
    m_scanRun.setShowSilent(m_frames->check(1)->isChecked());
    // Read anew for every host: a change during a run counts from the next host.
    connect(m_frames->check(1), &QCheckBox::toggled, this, [this](bool on) { m_scanRun.setShowSilent(on); });

    connect(&m_scanRun, &ScanRun::stateChanged, this, &FormMain::scanStateChanged);
    connect(&m_scanRun, &ScanRun::statusTextChanged, m_status, &StatusBarPanels::setStatusText);
    connect(&m_scanRun, &ScanRun::progressChanged, m_status, &StatusBarPanels::setProgress);
    connect(&m_scanRun, &ScanRun::progressVisibleChanged, m_status, &StatusBarPanels::setProgressVisible);
    connect(&m_scanRun, &ScanRun::rangeOrderShown, rangeEntry(), &ScanRangeEntry::showRangeOrder);
    connect(&m_scanRun, &ScanRun::rowAppended, m_scanView, [this](int row) {
        m_scanView->scrollTo(m_scanList.index(row, 1));
    });
    connect(&m_scanRun, &ScanRun::finished, this, [this](const QString &completion) {
        m_status->setProgressVisible(false);
        if (!completion.isEmpty())
            m_status->setStatusText(completion);
    });
}

void FormMain::loadDatabase()
{
    // Opened once so that a new data folder gets its database and tables.
    if (const Result<> folder = DataFolder::ensureExists(m_options.dataFolder); !folder) {
        m_prompt->error(folder.error());
        return;
    }
    if (const Result<> opened = m_store.prepare(); !opened)
        m_prompt->error(opened.error());
}

void FormMain::showLocalAddress()
{
    const QString address = LocalAddress::GetLocalAddress(true);
    const QString name = LocalAddress::GetLocalAddress(false);
    m_status->setLocalText(QStringLiteral("Local IP:") + address + QStringLiteral(" ;Host Name:") + name);
    const QStringList boxes = LocalAddress::defaultRangeBoxes(address);
    rangeEntry()->setBoxes(boxes);
    if (boxes.isEmpty())
        m_status->setStatusText(QLatin1String(NoAddressText));
}

void FormMain::readAutorun()
{
    // A missing or unreadable entry counts as absent.
    showAutorunMark(m_autostart.readCommand() == m_ownCommand);
}

void FormMain::loadAnalysisOptions()
{
    const Result<AnalysisOptions> stored = m_optionsStore.LoadAnalysisOptions();
    const bool loaded = stored.ok();
    if (loaded)
        m_analysisOptions = *stored;
    else
        m_prompt->error(stored.error());
    m_applyingOptions = true;  // the minute box's change handling saves nothing now
    m_frames->showMinutes(m_analysisOptions.mins);
    m_frames->check(1)->setChecked(m_analysisOptions.displayNonResponded);
    m_frames->check(2)->setChecked(m_analysisOptions.analyzeMac);
    m_frames->check(3)->setChecked(m_analysisOptions.analyzeIp);
    m_frames->check(4)->setChecked(m_analysisOptions.autoScan);
    m_frames->check(5)->setChecked(m_analysisOptions.clearBeforeAnalysis);
    m_applyingOptions = false;
    m_scanRun.setShowSilent(m_analysisOptions.displayNonResponded);
    applyAnalyzerOptions();
    // One save for all the controls: an empty T_set gets its row, and a
    // refused stored mins gives way to the default the box shows.
    if (loaded)
        saveAnalysisOptions();
}

void FormMain::saveAnalysisOptions()
{
    // mins is the last accepted minute value, not text still being typed.
    m_analysisOptions.displayNonResponded = m_frames->check(1)->isChecked();
    m_analysisOptions.analyzeMac = m_frames->check(2)->isChecked();
    m_analysisOptions.analyzeIp = m_frames->check(3)->isChecked();
    m_analysisOptions.autoScan = m_frames->check(4)->isChecked();
    m_analysisOptions.clearBeforeAnalysis = m_frames->check(5)->isChecked();
    if (const Result<> saved = m_optionsStore.SaveAnalysisOptions(m_analysisOptions); !saved)
        m_prompt->error(saved.error());
}

void FormMain::startAutoScan()
{
    m_autoScan->setMinutes(m_analysisOptions.mins);
    m_autoScan->setAutoScan(m_frames->check(4)->isChecked());
}

void FormMain::autoScanClicked(bool on)
{
    saveAnalysisOptions();
    m_autoScan->setAutoScan(on);
}

void FormMain::minutesTextChanged(const QString &text)
{
    if (m_applyingOptions)
        return;
    const std::optional<int> minutes = AnalysisOptions::parseMinutes(text);
    if (!minutes)
        return;  // refused (or still being typed): the period and T_set keep theirs
    // Takes effect the next time the timer starts.
    m_autoScan->setMinutes(*minutes);
    if (*minutes == m_analysisOptions.mins)
        return;
    m_analysisOptions.mins = *minutes;
    saveAnalysisOptions();
}

void FormMain::minutesEditFinished()
{
    // Refused text does not stay in the box: it shows the kept value again.
    if (!AnalysisOptions::parseMinutes(m_frames->minutes()->currentText()))
        m_frames->showMinutes(m_analysisOptions.mins);
}

void FormMain::printAnalysisList()
{
    if (m_analysisList.count() == 0) {
        m_prompt->notice(QLatin1String(NoRecordToPrintText));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QLatin1String(AnalysisPrinter::Title));
    if (!choosePrinter(printer))
        return;
    QString error;
    if (!AnalysisPrinter(m_analysisList).print(printer, &error))
        m_prompt->error(error);
}

bool FormMain::choosePrinter(QPrinter &printer)
{
    if (m_options.choosePrinter)
        return m_options.choosePrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    return dialog.exec() == QDialog::Accepted;
}

void FormMain::applyAnalyzerOptions()
{
    Analyzer::Options options;
    options.checks.analyzeMac = m_frames->check(2)->isChecked();
    options.checks.analyzeIp = m_frames->check(3)->isChecked();
    options.clearBeforeAnalysis = m_frames->check(5)->isChecked();
    m_analyzer.setOptions(options);
}

void FormMain::startUp(bool startHidden)
{
    m_tray->show();
    if (!startHidden) {
        show();
        return;
    }
    if (m_tray->isAvailable()) {
        setWindowState(Qt::WindowMinimized);  // hidden: shown again from the tray only
        return;
    }
    // Without a tray a hidden window could never come back.
    showMinimized();
}

bool FormMain::startScan()
{
    if (m_scanRun.isScanning())
        return false;
    ScanRangeEntry *entry = rangeEntry();
    QString error;
    const std::optional<ScanRange> range = ScanRange::fromBoxes(entry->boxesForScan(), entry->method(), &error);
    if (!range) {
        m_prompt->notice(error, PromptIcon::Exclamation);
        return false;
    }
    m_scanRun.setShowSilent(m_frames->check(1)->isChecked());
    return m_scanRun.start(*range);
}

void FormMain::scanStateChanged(ScanRun::State state)
{
    const bool idle = state == ScanRun::State::Idle;
    m_menus->setEnabled(QStringLiteral("SMmenu8"), idle);
    m_menus->setEnabled(QStringLiteral("SMmenu9"), !idle);
    m_menus->setEnabled(QStringLiteral("SMmenu10"), !idle);
    setPauseCaption(QLatin1String(state == ScanRun::State::Paused ? "Continue" : "Pause"));
    switch (state) {
    case ScanRun::State::Running:
        m_status->startAnimation();
        break;
    case ScanRun::State::Paused:
        m_status->pauseAnimation();
        break;
    case ScanRun::State::Idle:
        m_status->stopAnimation();
        m_status->setProgressVisible(false);
        break;
    }
}

void FormMain::setPauseCaption(const QString &caption)
{
    m_frames->button(QStringLiteral("CmdPause"))->setText(caption);
    m_menus->action(QStringLiteral("SMmenu9"))->setText(caption);
}

void FormMain::setAutorun(bool on)
{
    const Result<> written = on ? m_autostart.write(m_ownCommand) : m_autostart.remove();
    if (!written) {
        // Say so rather than show a mark that the next start would not show.
        m_prompt->notice(QStringLiteral("The logon entry %1 could not be %2: %3")
                             .arg(m_autostart.filePath(), QLatin1String(on ? "written" : "removed"),
                                  written.error()));
    }
    showAutorunMark(m_autostart.readCommand() == m_ownCommand);
}

void FormMain::showAutorunMark(bool on)
{
    const QSignalBlocker blockBox(m_autorunBox);
    m_autorunBox->setChecked(on);
    m_menus->action(QStringLiteral("menuSet1"))->setChecked(on);
}

void FormMain::startFind(ListModel &list, qint16 target)
{
    if (!StartFind(list, target, m_state))
        return;
    if (m_find) {
        m_find->raise();
        m_find->activateWindow();
        return;
    }
    m_find = new FormCZ(m_scanList, m_recordList, m_state, *m_prompt, this);
    connect(m_find, &FormCZ::listSearched, this, [this](qint16 searched, int) {
        const bool scan = searched == ProgramState::FindScanList;
        m_tabs->setCurrentIndex(scan ? 0 : 1);
        (scan ? m_scanView : m_recordView)->setFocus();
    });
    m_find->show();
}

void FormMain::openRecordEditor()
{
    auto *editor = new FormAddJF(m_recordCommands, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->open();
}

QString FormMain::helpPagePath() const
{
    const QString besideProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    if (QFileInfo::exists(besideProgram))
        return besideProgram;
    return QStringLiteral(NETKESTREL_SHARE_DIR "/help/index.html");
}

QUrl FormMain::productPage(const QString &helpPage)
{
    QUrl page = QUrl::fromLocalFile(helpPage);
    page.setFragment(QStringLiteral("about"));
    return page;
}

void FormMain::openUrl(const QUrl &url)
{
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        m_prompt->notice(QStringLiteral("The help page %1 is missing.").arg(url.toLocalFile()));
        return;
    }
    const bool opened = m_options.openUrl ? m_options.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        m_prompt->notice(QStringLiteral("No program to open %1 was found.").arg(url.toString()));
}

void FormMain::trayClicked()
{
    if (isVisible() && !isMinimized())
        showMinimized();
    else
        restoreFromTray();
}

void FormMain::openMainBoard()
{
    if (!isVisible() || isMinimized())
        restoreFromTray();
}

void FormMain::restoreFromTray()
{
    setWindowState(m_savedWindowState & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void FormMain::hideToTray()
{
    if (!isMinimized() || !m_tray->isAvailable())
        return;  // without a tray the window stays minimised on the taskbar
    m_tray->showWelcome();
    hide();
}

void FormMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        // Hiding inside the state change confuses some window managers.
        QTimer::singleShot(0, this, &FormMain::hideToTray);
        return;
    }
    m_savedWindowState = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void FormMain::closeEvent(QCloseEvent *event)
{
    m_autoScan->setAutoScan(false);  // the program ends: no further step
    m_scanRun.stop();
    m_tray->remove();
    event->accept();
    Q_EMIT unloaded();
}
