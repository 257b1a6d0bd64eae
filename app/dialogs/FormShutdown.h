#pragma once

#include <QDialog>

#include <functional>

#include "app/dialogs/ShutdownOptionControls.h"

class Prompt;
class QLineEdit;
class RemoteShutdown;

// "Remote Shutdown": a shutdown or abort request to one computer, with the
// options on the dialog (filled from the stored defaults, never stored from
// here) and the account to make it with. The password lives only in its box
// and in the environment of the one net run that needs it. Requests block
// the dialog until net ends; it stays open after every one. The shutdown
// tool and the prompt must outlive it.
//
// Object names: lblComputer, txtComputer, cmdBrowse, fraOptions, chkKillApps,
// chkReboot, lblMessage, txtMessage, lblDelay, txtDelay, lblUser, txtUser,
// lblPassword, txtPassword, cmdShutdown, cmdAbort, cmdClose.
class FormShutdown : public QDialog
{
    Q_OBJECT

public:
    // pickComputer: the computer picker over the given dialog; "\\" + a
    // name, or empty when cancelled.
    FormShutdown(RemoteShutdown &shutdown, Prompt &prompt, const QString &target,
                 std::function<QString(QWidget *over)> pickComputer, QWidget *parent = nullptr);

    void browse();
    void sendShutdown();
    void sendAbort();

private:
    RemoteShutdown &m_shutdown;
    Prompt &m_prompt;
    std::function<QString(QWidget *over)> m_pickComputer;
    QLineEdit *m_target;
    ShutdownOptionControls m_controls;
    QLineEdit *m_user;
    QLineEdit *m_password;
};
