#pragma once

#include <QDialog>

#include "app/dialogs/DuplicateChoice.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class RecordCommands;
class ScanListModel;

// The "Add to database" wizard: takes the ticked rows of the scan list into
// the records with ScanRowImport, matched by IP or by MAC (an exclusive pair
// of check boxes), with the chosen duplicate option. A run reads the rows as
// they are when "Add" is pressed; it keeps the window alive by letting
// waiting input through, with its own controls disabled and closing refused
// until it ends. Every run ends with the record list loaded again. The
// dialog stays open after a run; each opening is a new dialog, so the
// duplicate option starts at "Ask" every time. The list and the commands
// must outlive it.
//
// Object names are the control names: Check1_0 (Match IP), Check1_1
// (Match MAC), OptAdd_0 to OptAdd_2, ProBar, Label1, CmdADD, Cmdclose.
class FormDR : public QDialog
{
    Q_OBJECT

public:
    FormDR(ScanListModel &scanList, RecordCommands &commands, QWidget *parent = nullptr);

    bool isRunning() const { return m_running; }

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void add();
    void setControlsEnabled(bool on);
    void reportProgress(int percent);

    ScanListModel &m_scanList;
    RecordCommands &m_commands;
    QGroupBox *m_frame;
    DuplicateChoice m_choice;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_add;
    QPushButton *m_close;
    bool m_running = false;
    qint64 m_lastYield = 0;
};
