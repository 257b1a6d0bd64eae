#pragma once

#include <QObject>

class DesktopServices;
class FileDialog;
class MainMenus;
class RecordCommands;
class ScanListModel;
class WorkRunner;
class QWidget;

// The workbook items: "Export to Excel" of the File menu (the scan list) and
// of the Database menu (the records), which write a workbook where the user
// chooses and open it with the desktop's program for it, and "Import from
// Excel" (FormEXCELDR); the pop-up menus forward to the same items.
class SpreadsheetCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *SaveTitle = "Export to Excel";
    static constexpr const char *SaveFilter = "Excel Workbook (*.xlsx)|*.xlsx";

    SpreadsheetCommands(MainMenus &menus, ScanListModel &scanList, RecordCommands &commands,
                        FileDialog &fileDialog, DesktopServices &desktop, WorkRunner &work, QWidget *window);

    void exportScanList();
    void exportRecords();
    void importRecords();

private:
    // The save dialog; an empty text when cancelled.
    QString chooseWorkbook();
    void open(const QString &path);

    ScanListModel &m_scanList;
    RecordCommands &m_commands;
    FileDialog &m_fileDialog;
    DesktopServices &m_desktop;
    WorkRunner &m_work;
    QWidget *m_window;
};
