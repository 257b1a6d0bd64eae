#pragma once

#include <QMainWindow>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "analysis/AnalysisOptionsStore.h"
#include "analysis/Analyzer.h"
#include "analysis/AutoScanController.h"
#include "app/commands/AcknowledgeCommands.h"
#include "app/commands/DatabaseConnectionCommands.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "platform/AutostartEntry.h"
#include "platform/ProgramState.h"
#include "records/RecordCommands.h"
#include "records/RecordStore.h"
#include "scan/ScanRun.h"
#include "tools/WakeOnLan.h"

class DatabasePane;
class DesktopServices;
class FileDialog;
class HelpCommands;
class ListView;
class MainMenus;
class OptionControls;
class OptionFrames;
class ProgramRunner;
class WorkRunner;
class Prompt;
class QCheckBox;
class QPrinter;
class QTabWidget;
class ReportCommands;
class ChangesCommands;
class ScanCommands;
class ScanPane;
class ScanRangeEntry;
class SettingsCommands;
class StatusBarPanels;
class TrayCommands;
class TrayIcon;
class VendorResolver;
class WindowPlacement;

// The main window. It holds the program-wide state, the lists and the
// engine objects, builds the panes, lists, menus and status bar (app/parts/),
// hands them to the command modules (app/commands/: one a menu or a group of
// items, see app/README.md) and to OptionControls, each of which installs the
// handlers of its menu items, and runs the start-up steps. Its size, place
// and splitter are kept between starts (WindowPlacement), saved when it closes.
class FormMain : public QMainWindow
{
    Q_OBJECT

public:
    struct Options
    {
        QString dataFolder;                 // the program's folder; resolved by the caller
        QString autostartFolder;            // empty: the user's XDG autostart folder
        QString executablePath;             // empty: this process's executable
        Prompt *prompt = nullptr;           // empty: message boxes over the window
        DesktopServices *desktop = nullptr; // empty: the desktop's own handlers
        std::optional<bool> trayAvailable;  // empty: ask the desktop
        // Sets up the printer for "Print"; false when the user cancelled.
        // Empty: a print dialog over the window (it offers printing to a PDF
        // file, so no printer is needed).
        std::function<bool(QPrinter &)> choosePrinter;
        FileDialog *fileDialog = nullptr;       // empty: the standard file dialogs over the window
        ProgramRunner *programRunner = nullptr; // empty: programs run for real
        WorkRunner *workRunner = nullptr;       // empty: long work runs on a pool of threads
        // Where "Wake-On-Lan" sends its packets; tests aim them at a listener
        // of their own.
        WakeDestination wakeDestination;
        // Asks how the highlighted finding is acknowledged. Empty: the
        // acknowledge dialog over the window.
        AcknowledgeCommands::Asker askAcknowledgement;
        // Asks where the record store lives. Empty: the connection dialog
        // over the window.
        DatabaseConnectionCommands::Asker askDatabaseConnection;
    };

    static constexpr const char *NoAddressText =
        "No network interface with an IPv4 address is up: enter the scan range by hand.";

    explicit FormMain(const Options &options, QWidget *parent = nullptr);
    ~FormMain() override;

    // Shows the window, or with startHidden ("mini") keeps it in the tray;
    // without a tray it starts minimised on the taskbar instead.
    void startUp(bool startHidden);

    MainMenus *menus() const { return m_menus; }
    ScanListModel &scanList() { return m_scanList; }
    RecordListModel &recordList() { return m_recordList; }
    AnalysisListModel &analysisList() { return m_analysisList; }
    ScanRun &scanRun() { return m_scanRun; }
    // The automatic mode (Check4, Combo1, ArTimer).
    AutoScanController &autoScan() { return *m_autoScan; }
    ProgramState &state() { return m_state; }
    TrayIcon *tray() const { return m_tray; }
    ScanRangeEntry *rangeEntry() const;
    StatusBarPanels *statusPanels() const { return m_status; }
    ScanPane *scanPane() const { return m_scanPane; }
    ScanCommands *scanCommands() const { return m_scanCommands; }
    ChangesCommands *changesCommands() const { return m_changesCommands; }
    // "Database Connection..." of the Setting menu.
    DatabaseConnectionCommands *connectionCommands() const { return m_connectionCommands; }
    // Where the records, options, history and acknowledgements are now.
    const RecordStore &store() const { return m_store; }
    HelpCommands *helpCommands() const { return m_helpCommands; }
    // The daily mail report (menuSet3, TimerEmail).
    ReportCommands *reportCommands() const { return m_reportCommands; }
    QString ownCommand() const { return m_ownCommand; }
    QString helpPagePath() const;
    static QUrl productPage(const QString &helpPage);

    // The tray icon's left click: hides a shown window, brings back a hidden one.
    void trayClicked();
    // "Open the main board".
    void openMainBoard();

Q_SIGNALS:
    // The window was closed (or "Exit" chosen): the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void installCommands();
    void loadDatabase();
    // The store moved to another database: everything shown from it is read again.
    void storeChanged();
    // The server and the site of the stored connection setting, handed to the
    // parts that use them.
    void storeSettingsChanged();
    void showLocalAddress();

    Options m_options;
    std::unique_ptr<Prompt> m_ownPrompt; // before m_prompt, which may point into it
    Prompt *m_prompt;
    std::unique_ptr<DesktopServices> m_ownDesktop; // before m_desktop, likewise
    DesktopServices *m_desktop;
    std::unique_ptr<FileDialog> m_ownFileDialog; // before m_fileDialog, likewise
    FileDialog *m_fileDialog;
    std::unique_ptr<ProgramRunner> m_ownRunner; // before m_runner, likewise
    ProgramRunner *m_runner;
    // After the program runner: closing waits here for the work still
    // running, which may use it.
    std::unique_ptr<WorkRunner> m_ownWorkRunner;
    WorkRunner *m_workRunner;
    std::unique_ptr<VendorResolver> m_vendors;
    ProgramState m_state;
    // The one store of the window: every part that opens it holds a reference
    // to this object, so a new connection reaches them all at once.
    RecordStore m_store;
    ScanListModel m_scanList;
    RecordListModel m_recordList;
    AnalysisListModel m_analysisList;
    RecordCommands m_recordCommands;
    AnalysisOptionsStore m_optionsStore;
    Analyzer m_analyzer;
    ScanRun m_scanRun;
    // After the scan run and the analyzer, which it uses: destroyed before them.
    std::unique_ptr<AutoScanController> m_autoScan;
    AutostartEntry m_autostart;
    QString m_ownCommand;

    MainMenus *m_menus = nullptr;
    QTabWidget *m_tabs = nullptr;
    ScanPane *m_scanPane = nullptr;
    DatabasePane *m_databasePane = nullptr;
    OptionFrames *m_frames = nullptr;
    ListView *m_scanView = nullptr;
    ListView *m_recordView = nullptr;
    ListView *m_analysisView = nullptr;
    StatusBarPanels *m_status = nullptr;
    QCheckBox *m_autorunBox = nullptr;
    TrayIcon *m_tray = nullptr;

    ScanCommands *m_scanCommands = nullptr;
    ChangesCommands *m_changesCommands = nullptr;
    DatabaseConnectionCommands *m_connectionCommands = nullptr;
    OptionControls *m_optionControls = nullptr;
    SettingsCommands *m_settingsCommands = nullptr;
    ReportCommands *m_reportCommands = nullptr;
    TrayCommands *m_trayCommands = nullptr;
    HelpCommands *m_helpCommands = nullptr;
    WindowPlacement *m_placement = nullptr;
};
