#pragma once

#include <QDialog>

#include <memory>

#include "app/dialogs/DuplicateChoice.h"
#include "app/widgets/WorkingDialog.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class RecordCommands;
class ScanListModel;
class WorkRunner;

// The "Add to database" wizard: takes the ticked rows of the scan list into
// the records with ScanRowImport, matched by IP or by MAC (an exclusive pair
// of check boxes), with the chosen duplicate option. A run reads the rows as
// they are when "Add" is pressed and runs on the work runner, so that the
// window keeps repainting; its questions are asked on the window's thread
// while the run waits for the answer. The dialog's controls are disabled
// and closing it is refused until the run ends. Every run ends with its
// closing message and the record list loaded again, also when the dialog
// went with the window meanwhile. The
// dialog stays open after a run; each opening is a new dialog, so the
// duplicate option starts at "Ask" every time. The list, the commands and
// the work runner must outlive it.
//
// Object names are the control names: Check1_0 (Match IP), Check1_1
// (Match MAC), OptAdd_0 to OptAdd_2, ProBar, Label1, CmdADD, Cmdclose.
class FormDR : public WorkingDialog
{
    Q_OBJECT

public:
    FormDR(ScanListModel &scanList, RecordCommands &commands, WorkRunner &work, QWidget *parent = nullptr);

private:
    void add();
    void finished();

    ScanListModel &m_scanList;
    RecordCommands &m_commands;
    WorkRunner &m_work;
    QGroupBox *m_frame;
    DuplicateChoice m_choice;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_add;
    QPushButton *m_close;
};
