#pragma once

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>

#include "app/dialogs/DuplicateChoice.h"
#include "app/widgets/WorkingDialog.h"
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
class WorkRunner;

// The spreadsheet import window: choose a workbook (.xls or .xlsx), one of
// its sheets, preview its rows, tick some and import them as records with
// SheetImport. Opened modally by "Import from Excel"; reloads the record list
// after each import. The workbook stays open from "..." until another one is
// chosen or the window goes.
//
// Reading the workbook, reading a sheet into the preview and the import run
// on the work runner, so that the window keeps repainting: meanwhile the
// hourglass shows, the controls are disabled and closing is refused. An
// import's questions are asked on the window's thread while it waits for the
// answer; it ends with its closing message and the record list loaded again,
// also when the dialog went with the window meanwhile. The commands and the
// work runner must outlive the dialog.
//
// Object names are the control names, arrays as name_index: txtExcelFile,
// cmdBrowseExcel, cmbSheets, ListView1 (the preview), Check1 (Select all),
// Check2 (Invert), Check3_0 (Match IP), Check3_1 (Match MAC), OptAdd_0 (Ask),
// OptAdd_1 (overwrite), OptAdd_2 (skip), ProBar, Label1 (status), Label4,
// CmdADD (Import), Cmdclose.
class FormEXCELDR : public WorkingDialog
{
    Q_OBJECT

public:
    static constexpr const char *BrowseTitle = "Open Excel File...";
    // The design's filter, which also offers the .xlsx files that the record
    // export writes.
    static constexpr const char *BrowseFilter = "MS EXCEL File (*.xls)|*.xls;*.xlsx";
    static constexpr const char *LineNumberHeader = "Line Number";

    using ImportDone = std::function<void(const SheetImport::Outcome &)>;

    FormEXCELDR(RecordCommands &commands, FileDialog &fileDialog, WorkRunner &work,
                QWidget *parent = nullptr);
    ~FormEXCELDR() override;

    // "...": the file dialog, then the workbook's sheets.
    void browse();
    // Opens a workbook as "..." does after the dialog returned path.
    void openWorkbook(const QString &path);
    // "Import": the ticked preview rows, in the preview's order; with none
    // ticked, "No items were selected." and no run. done gets the outcome on
    // the window's thread once the run has ended, even if the dialog is gone.
    void importTicked(ImportDone done = {});

    ListModel *preview() const { return m_preview.get(); }

private:
    void loadSheet(int index);
    void setPreview(std::unique_ptr<ListModel> model);

    RecordCommands &m_commands;
    FileDialog &m_fileDialog;
    WorkRunner &m_work;
    // Shared with the work that reads it, which may outlast the dialog.
    std::shared_ptr<WorkbookReader> m_workbook;
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
