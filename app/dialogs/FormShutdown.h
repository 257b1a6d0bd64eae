#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "app/dialogs/ShutdownOptionControls.h"
#include "app/widgets/WorkingDialog.h"
#include "tools/RemoteShutdown.h"

class Prompt;
class QLineEdit;
class WorkRunner;

// "Remote Shutdown": a shutdown or abort request to one computer, with the
// options on the dialog (filled from the stored defaults, never stored from
// here) and the account to make it with. The password lives only in its box
// and in the environment of the one net run that needs it. net runs on the
// work runner: the window keeps repainting, while the dialog's controls
// are disabled and closing it is refused until net ends, so that a request
// is never sent twice and its outcome is always told. It stays open after
// every request. The prompt and the work runner must outlive it.
//
// Object names: lblComputer, txtComputer, cmdBrowse, fraOptions, chkKillApps,
// chkReboot, lblMessage, txtMessage, lblDelay, txtDelay, lblUser, txtUser,
// lblPassword, txtPassword, cmdShutdown, cmdAbort, cmdClose.
class FormShutdown : public WorkingDialog
{
    Q_OBJECT

public:
    // Hands "\\" + a name, or empty text when cancelled, to `chosen`
    // (never called when the dialog is gone by then).
    using ComputerPick = std::function<void(QWidget *over, std::function<void(const QString &)> chosen)>;

    // pickComputer: the computer picker over the given dialog.
    FormShutdown(const RemoteShutdown &shutdown, Prompt &prompt, WorkRunner &work, const QString &target,
                 ComputerPick pickComputer, QWidget *parent = nullptr);

    void browse();
    void sendShutdown();
    void sendAbort();
    // Whether net runs for a request of this dialog.

public Q_SLOTS:

private:
    void start(std::function<ShutdownOutcome(const RemoteShutdown &)> request,
               std::function<void(const ShutdownOutcome &)> tellOutcome);

    RemoteShutdown m_shutdown;
    WorkRunner &m_work;
    Prompt &m_prompt;
    ComputerPick m_pickComputer;
    QLineEdit *m_target;
    ShutdownOptionControls m_controls;
    QLineEdit *m_user;
    QLineEdit *m_password;
};
