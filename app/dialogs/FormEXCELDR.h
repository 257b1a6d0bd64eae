#pragma once

#include <QDialog>
#include <QList>

#include <memory>

#include "app/dialogs/DuplicateChoice.h"
#include "sheets/SheetImport.h"

class FileDialog;
class ListModel;
class QCheckBox;
class QGroupBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class RecordCommands;
class RecordSheet;
class WorkbookReader;

// The spreadsheet import window: choose a workbook (.xls or .xlsx), one of
// its sheets, preview its rows, tick some and import them as records with
// SheetImport. Opened modally by "Import from Excel"; reloads the record list
// after each import. The workbook stays open from "..." until another one is
// chosen or the window goes.
//
// Object names are the control names, arrays as name_index: txtExcelFile,
// cmdBrowseExcel, cmbSheets, ListView1 (the preview), Check1 (Select all),
// Check2 (Invert), Check3_0 (Match IP), Check3_1 (Match MAC), OptAdd_0 (Ask),
// OptAdd_1 (overwrite), OptAdd_2 (skip), ProBar, Label1 (status), Label4,
// CmdADD (Import), Cmdclose.
class FormEXCELDR : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char *BrowseTitle = "Open Excel File...";
    // The design's filter, which also offers the .xlsx files that the record
    // export writes.
    static constexpr const char *BrowseFilter = "MS EXCEL File (*.xls)|*.xls;*.xlsx";
    static constexpr const char *LineNumberHeader = "Line Number";

    FormEXCELDR(RecordCommands &commands, FileDialog &fileDialog, QWidget *parent = nullptr);
    ~FormEXCELDR() override;

    // "...": the file dialog, then the workbook's sheets.
    void browse();
    // Opens a workbook as "..." does after the dialog returned path.
    void openWorkbook(const QString &path);
    // "Import": the ticked preview rows, in the preview's order; with none
    // ticked, "No items were selected." and no run.
    SheetImport::Outcome importTicked();

    ListModel *preview() const { return m_preview.get(); }

private:
    void loadSheet(int index);
    void setPreview(std::unique_ptr<ListModel> model);

    RecordCommands &m_commands;
    FileDialog &m_fileDialog;
    std::unique_ptr<WorkbookReader> m_workbook;
    std::unique_ptr<ListModel> m_preview;

    QLineEdit *m_file;
    QComboBox *m_sheets;
    QTableView *m_view;
    QCheckBox *m_selectAll;
    QCheckBox *m_invert;
    QGroupBox *m_optionsFrame;
    DuplicateChoice m_choice;
    QProgressBar *m_progress;
    QLabel *m_status;
};
