#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>

class QWidget;
class StatusBarPanels;

// Tells that an automatic step could not start (a refused range, a missing
// resolver library, no socket). The step runs unattended every few minutes,
// so nothing here waits for the user: the status bar says why, and one
// non-modal message box shows the reason; while it is open, later failures
// only update its text instead of stacking a box per step.
class AutoStepNotice : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *StatusLead = "Automatic scan could not start: ";
    static constexpr const char *BoxName = "AutoStepNotice";

    AutoStepNotice(QWidget *window, StatusBarPanels *status);

    void report(const QString &title, const QString &text);
    // The box while it is open, else null.
    QMessageBox *box() const { return m_box; }

private:
    QWidget *m_window;
    StatusBarPanels *m_status;
    QPointer<QMessageBox> m_box;
};
