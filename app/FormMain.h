#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "AnalysisListModel.h"
#include "AnalysisOptionsStore.h"
#include "Analyzer.h"
#include "AutoScanController.h"
#include "AutostartEntry.h"
#include "ProgramState.h"
#include "RecordCommands.h"
#include "RecordListModel.h"
#include "RecordStore.h"
#include "ScanListModel.h"
#include "ScanRun.h"

class DatabasePane;
class FormCZ;
class ListView;
class MainMenus;
class OptionFrames;
class Prompt;
class QCheckBox;
class QPrinter;
class QTabWidget;
class ScanPane;
class ScanRangeEntry;
class StatusBarPanels;
class TrayIcon;
class VendorResolver;

// The main window. It builds the panes, lists, menus and status bar, runs
// the start-up steps, and routes every menu item, button and pop-up entry to
// the code that does the work (the scan run, the list models, the record
// commands, the dialogs). It holds the program-wide state and the lists.
class FormMain : public QMainWindow
{
    Q_OBJECT

public:
    struct Options
    {
        QString dataFolder;       // the program's folder; resolved by the caller
        QString autostartFolder;  // empty: the user's XDG autostart folder
        QString executablePath;   // empty: this process's executable
        Prompt *prompt = nullptr;  // empty: message boxes over the window
        std::function<bool(const QUrl &)> openUrl;  // empty: the desktop's handler
        std::optional<bool> trayAvailable;          // empty: ask the desktop
        // Sets up the printer for "Print"; false when the user cancelled.
        // Empty: a print dialog over the window (it offers printing to a PDF
        // file, so no printer is needed).
        std::function<bool(QPrinter &)> choosePrinter;
    };

    static constexpr const char *NoRecordToPrintText = "No record to print!";

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
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void routeCommands();
    void connectScanRun();
    void loadDatabase();
    void showLocalAddress();
    void readAutorun();
    void loadAnalysisOptions();
    void saveAnalysisOptions();
    void applyAnalyzerOptions();
    void startAutoScan();
    void autoScanClicked(bool on);
    void minutesTextChanged(const QString &text);
    void minutesEditFinished();
    void printAnalysisList();
    bool choosePrinter(QPrinter &printer);

    bool startScan();
    void scanStateChanged(ScanRun::State state);
    void setPauseCaption(const QString &caption);
    void setAutorun(bool on);
    void showAutorunMark(bool on);
    void startFind(ListModel &list, qint16 target);
    void openRecordEditor();
    void openUrl(const QUrl &url);
    void restoreFromTray();
    void hideToTray();

    Options m_options;
    std::unique_ptr<Prompt> m_ownPrompt;  // before m_prompt, which may point into it
    Prompt *m_prompt;
    std::unique_ptr<VendorResolver> m_vendors;
    ProgramState m_state;
    RecordStore m_store;
    ScanListModel m_scanList;
    RecordListModel m_recordList;
    AnalysisListModel m_analysisList;
    RecordCommands m_recordCommands;
    AnalysisOptionsStore m_optionsStore;
    AnalysisOptions m_analysisOptions;
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
    QPointer<FormCZ> m_find;
    Qt::WindowStates m_savedWindowState = Qt::WindowNoState;
    bool m_applyingOptions = false;  // loaded values going into the controls
};
