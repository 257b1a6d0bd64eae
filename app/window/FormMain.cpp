#include "app/window/FormMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTabWidget>

#include "app/commands/AddToDatabaseCommand.h"
#include "app/commands/AnalysisCommands.h"
#include "app/commands/AnalysisExportCommands.h"
#include "app/commands/ChangeNoticeCommands.h"
#include "app/commands/ChangesCommands.h"
#include "app/commands/DatabaseCommands.h"
#include "app/commands/FindCommands.h"
#include "app/commands/HelpCommands.h"
#include "app/commands/MaintenanceCommands.h"
#include "app/commands/ReportCommands.h"
#include "app/commands/ResultFileCommands.h"
#include "app/commands/ScanCommands.h"
#include "app/commands/SettingsCommands.h"
#include "app/commands/SpreadsheetCommands.h"
#include "app/commands/ToolCommands.h"
#include "app/commands/TrayCommands.h"
#include "app/desktop/MessageBoxPrompt.h"
#include "app/desktop/QtDesktopServices.h"
#include "app/desktop/QtFileDialog.h"
#include "app/dialogs/DatabaseConnection.h"
#include "app/parts/AutoModeIndicators.h"
#include "app/parts/DatabasePane.h"
#include "app/parts/MainMenus.h"
#include "app/parts/OptionControls.h"
#include "app/parts/OptionFrames.h"
#include "app/parts/ScanPane.h"
#include "app/parts/ScanPaneLayout.h"
#include "app/parts/StatusBarPanels.h"
#include "app/parts/TrayIcon.h"
#include "app/parts/WindowPlacement.h"
#include "app/widgets/ListView.h"
#include "app/widgets/MainIcons.h"
#include "app/widgets/ScanListView.h"
#include "app/widgets/ScanRangeEntry.h"
#include "app/widgets/Twips.h"
#include "platform/DataFolder.h"
#include "platform/LocalAddress.h"
#include "platform/ProcessProgramRunner.h"
#include "platform/WorkRunner.h"
#include "records/AcknowledgementStore.h"
#include "scan/VendorResolver.h"

namespace {

// The given seam, else one of the window's own kept in *own.
template <typename Seam, typename Own>
Seam *seamFor(Seam *given, std::unique_ptr<Seam> *own)
{
    if (given)
        return given;
    *own = std::make_unique<Own>();
    return own->get();
}

} // namespace

FormMain::FormMain(const Options &options, QWidget *parent)
    : QMainWindow(parent),
      m_options(options),
      m_prompt(seamFor<Prompt, MessageBoxPrompt>(options.prompt, &m_ownPrompt)),
      m_desktop(seamFor<DesktopServices, QtDesktopServices>(options.desktop, &m_ownDesktop)),
      m_fileDialog(seamFor<FileDialog, QtFileDialog>(options.fileDialog, &m_ownFileDialog)),
      m_runner(seamFor<ProgramRunner, ProcessProgramRunner>(options.programRunner, &m_ownRunner)),
      m_workRunner(seamFor<WorkRunner, PoolWorkRunner>(options.workRunner, &m_ownWorkRunner)),
      m_vendors(std::make_unique<VendorResolver>(options.dataFolder)),
      m_store(options.dataFolder),
      m_recordCommands(m_store, m_recordList, *m_prompt, m_state),
      m_optionsStore(m_store),
      m_analyzer(&m_scanList, &m_recordList, &m_analysisList),
      m_scanRun(&m_scanList),
      // The automatic step scans as the Scan button does: the range boxes and Check1.
      m_autoScan(std::make_unique<AutoScanController>(
          &m_scanRun, &m_analyzer,
          [this] { return m_scanCommands->startScan(ScanCommands::Origin::Automatic); })),
      m_autostart(options.autostartFolder),
      m_ownCommand(AutostartEntry::ownCommand(options.executablePath.isEmpty()
                                                  ? QCoreApplication::applicationFilePath()
                                                  : options.executablePath))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Netkestrel"));
    setWindowIcon(MainIcons::programIcon());
    if (auto *boxes = dynamic_cast<MessageBoxPrompt *>(m_ownPrompt.get()))
        boxes->setParent(this);
    if (auto *dialogs = dynamic_cast<QtFileDialog *>(m_ownFileDialog.get()))
        dialogs->setOwner(this);
    VendorResolver *vendors = m_vendors.get();
    m_scanRun.setVendorLookup([vendors](const QString &mac) { return vendors->vendorOf(mac); });

    buildWindow();
    installCommands();

    // Start-up, in this order (Combo1 was filled when the frames were
    // built). Nothing here scans; the automatic mode's first step comes one
    // full period after start-up at the earliest.
    loadDatabase();
    showLocalAddress();
    m_settingsCommands->readAutorun();
    m_optionControls->load();
    m_recordCommands.addLIST();
    m_reportCommands->load();
    m_optionControls->startAutoMode();
    m_tabs->setCurrentIndex(0);
    // Last, so that a first start measures the status bar's texts; before
    // the window is shown, so that TrayCommands sees a maximised state come back.
    m_placement->restore();
}

FormMain::~FormMain()
{
    // No step may start or analyse while the window goes.
    m_autoScan.reset();
    m_scanRun.stop();
    // While everything the work hands back to is still there.
    if (m_ownWorkRunner)
        static_cast<PoolWorkRunner &>(*m_ownWorkRunner).waitForDone();
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

    m_scanView = new ScanListView(&m_scanList);
    m_scanView->setColumnClickHandler([this](int column) { m_scanList.columnClicked(column); });
    m_recordView = new ListView(&m_recordList, QStringLiteral("ListView2"),
                                {800, 1300, 1600, -1, -1, -1, -1, -1, -1, -1, 0});
    m_recordView->fitAddressColumns();
    m_recordView->setColumnClickHandler([this](int column) { m_recordList.columnClicked(column); });
    m_analysisView = new ListView(&m_analysisList, QStringLiteral("ListView3"), {265, 3175, 15875});
    const QList<QIcon> icons = MainIcons::rowIcons();
    for (ListView *view : {m_scanView, m_recordView, m_analysisView})
        view->setRowIcons(icons);

    m_frames = new OptionFrames;
    m_scanPane = new ScanPane(m_scanView, m_analysisView, m_frames);
    m_frames->setAutoFillBackground(true);
    m_frames->raise(); // the splitter spans the pane, under the frames
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
    m_placement = new WindowPlacement(this, m_scanPane);
}

void FormMain::installCommands()
{
    // Each module installs the handlers of its own menu items on m_menus and
    // binds the buttons and pop-up menus that run them; all are children of
    // the window.
    m_scanCommands =
        new ScanCommands(*m_menus, m_scanRun, m_scanList, m_frames, m_scanView, m_status, *m_prompt, this);
    new FindCommands(*m_menus, m_scanList, m_recordList, m_state, *m_prompt, m_tabs, m_scanView, m_recordView,
                     this);
    new DatabaseCommands(*m_menus, m_recordCommands, m_recordList, m_databasePane, m_recordView, this);
    new MaintenanceCommands(*m_menus, m_recordCommands, *m_prompt, *m_fileDialog, m_options.dataFolder, this);
    new ResultFileCommands(*m_menus, m_scanList, *m_prompt, *m_fileDialog, m_options.dataFolder, this);
    new AnalysisExportCommands(*m_menus, m_analysisList, *m_prompt, *m_fileDialog, *m_desktop,
                               m_options.dataFolder, this);
    new AddToDatabaseCommand(*m_menus, m_scanList, m_recordCommands, *m_workRunner, this);
    new SpreadsheetCommands(*m_menus, m_scanList, m_recordCommands, *m_fileDialog, *m_desktop, *m_workRunner,
                            this);
    m_changesCommands = new ChangesCommands(*m_menus, m_scanRun, m_scanList, m_store, this);
    new AnalysisCommands(*m_menus, m_analyzer, m_analysisList, *m_prompt, m_frames, m_analysisView,
                         m_options.choosePrinter, this);
    new AcknowledgeCommands(*m_menus, m_analysisList, m_store, *m_prompt, m_options.askAcknowledgement, this);
    // Read once per analysis. When they cannot be read the findings are all
    // shown unmarked: the analysis itself must not fail for them.
    m_analyzer.setAcknowledgementSource([this](const QDateTime &at) {
        const Result<AcknowledgedSet> active = AcknowledgementStore(m_store).activeAt(at);
        if (!active)
            qWarning("%s", qPrintable(active.error()));
        return active ? *active : AcknowledgedSet();
    });
    m_optionControls =
        new OptionControls(m_frames, m_optionsStore, m_scanRun, m_analyzer, *m_autoScan, *m_prompt, this);
    const auto listenAsTheBoxesSay = [this] {
        m_changesCommands->setListening(m_frames->check(4)->isChecked() &&
                                        m_frames->listenBox()->isChecked());
    };
    connect(m_frames->check(4), &QCheckBox::toggled, this, listenAsTheBoxesSay);
    connect(m_frames->listenBox(), &QCheckBox::toggled, this, listenAsTheBoxesSay);
    m_settingsCommands =
        new SettingsCommands(*m_menus, m_autostart, m_ownCommand, m_autorunBox, *m_prompt, this);
    m_connectionCommands = new DatabaseConnectionCommands(
        *m_menus, m_store, m_options.dataFolder, *m_prompt, m_options.askDatabaseConnection,
        [this] { storeChanged(); }, this);
    m_reportCommands = new ReportCommands(*m_menus, m_analysisList, m_options.dataFolder, *m_prompt,
                                          *m_fileDialog, m_status, this, this);
    m_helpCommands = new HelpCommands(*m_menus, *m_desktop, *m_prompt, this);
    m_trayCommands = new TrayCommands(*m_menus, this, m_tray, this);
    new ToolCommands(*m_menus, {m_scanList, m_recordList}, *m_prompt, *m_desktop, *m_runner, *m_workRunner,
                     m_options.wakeDestination, m_options.dataFolder, this);
    new AutoModeIndicators(*m_autoScan, this, m_tray, m_status, this);
    m_changesCommands->setAutomatic([this] { return m_autoScan->isStepRunning(); });
    new ChangeNoticeCommands(*m_menus, *m_changesCommands, m_tray, this);
}

void FormMain::loadDatabase()
{
    // Opened once so that a new data folder gets its database and tables.
    if (const Result<> folder = DataFolder::ensureExists(m_options.dataFolder); !folder) {
        m_prompt->error(folder.error());
        return;
    }
    m_connectionCommands->openStored();
    storeSettingsChanged();
}

void FormMain::storeSettingsChanged()
{
    m_reportCommands->report().setServer(m_store.server());
    const QString site = DatabaseConnection::load().site;
    m_changesCommands->setSite(site);
    m_reportCommands->report().setSite(site);
}

void FormMain::storeChanged()
{
    storeSettingsChanged();
    m_recordCommands.addLIST();
    m_optionControls->load();
    m_optionControls->startAutoMode();
    m_changesCommands->reload();
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

void FormMain::startUp(bool startHidden)
{
    m_tray->show();
    if (!startHidden) {
        show();
        return;
    }
    if (m_tray->isAvailable()) {
        setWindowState(Qt::WindowMinimized); // hidden: shown again from the tray only
        return;
    }
    // Without a tray a hidden window could never come back.
    showMinimized();
}

QString FormMain::helpPagePath() const
{
    return HelpCommands::helpPagePath();
}

QUrl FormMain::productPage(const QString &helpPage)
{
    return HelpCommands::productPage(helpPage);
}

void FormMain::trayClicked()
{
    m_trayCommands->trayClicked();
}

void FormMain::openMainBoard()
{
    m_trayCommands->openMainBoard();
}

void FormMain::closeEvent(QCloseEvent *event)
{
    m_autoScan->setAutoScan(false); // the program ends: no further step
    m_scanRun.stop();
    m_placement->save();
    m_tray->remove();
    event->accept();
    Q_EMIT unloaded();
}
