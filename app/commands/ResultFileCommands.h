#pragma once

#include <QObject>
#include <QString>

class FileDialog;
class MainMenus;
class Prompt;
class ScanListModel;
class QWidget;

// The File menu's "Save..." and "Open..." of the scan list as a scan result
// file (also the Save button and the scan list's pop-up entries). Loaded rows
// keep their numbers as written; the scan's own running count is not touched.
class ResultFileCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *NoRecordText = "No record to save!";
    static constexpr const char *SaveTitle = "Save the scanning result as...";
    static constexpr const char *OpenTitle = "Loading the scanning result ...";
    static constexpr const char *Filter = "Netkestrel File (*.kst)|*.kst";
    static constexpr const char *ClearQuestionText =
        "Clear the current scanning result when load the old "
        "ones?\r\n\r\nYes: Clear the current result; No: Keep them.";
    // Loaded rows reach the list this many at a time: a view pays once per
    // insertion, and no more than one batch is held twice while it moves in.
    static constexpr int RowsPerInsertion = 4096;

    ResultFileCommands(MainMenus &menus, ScanListModel &scanList, Prompt &prompt, FileDialog &fileDialog,
                       const QString &dataFolder, QWidget *window);

    void save();
    void open();

private:
    ScanListModel &m_scanList;
    Prompt &m_prompt;
    FileDialog &m_fileDialog;
    QString m_dataFolder;
};
