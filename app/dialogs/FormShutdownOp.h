#pragma once

#include <QDialog>

#include "app/dialogs/ShutdownOptionControls.h"

class Prompt;

// "Remote Shutdown Options": the stored defaults of the shutdown dialog.
// "OK" stores them when the delay is a whole number from 0 to 99 and stays
// open either way; "Close" stores nothing. The prompt must outlive it.
//
// Object names: chkKillApps, chkReboot, txtMessage, txtDelay, Command1 (OK),
// cmdClose.
class FormShutdownOp : public QDialog
{
    Q_OBJECT

public:
    explicit FormShutdownOp(Prompt &prompt, QWidget *parent = nullptr);

    void store();

private:
    Prompt &m_prompt;
    ShutdownOptionControls m_controls;
};
