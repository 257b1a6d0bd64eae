#pragma once

#include <QDateTime>
#include <QObject>

class AutoScanController;
class QWidget;
class StatusBarPanels;
class TrayIcon;

// The automatic mode seen outside the option frames: the status bar's panel
// that says when the next step comes (empty while the mode is off or a scan
// holds the timer), and the tray balloon that counts the findings a step
// added while the window was hidden in the tray.
class AutoModeIndicators : public QObject
{
    Q_OBJECT

public:
    AutoModeIndicators(AutoScanController &autoScan, QWidget *window, TrayIcon *tray, StatusBarPanels *status,
                       QObject *parent = nullptr);

    // "Next automatic scan at 16:35"; a step on another day than now names
    // its date too. Empty for an invalid time.
    static QString nextStepText(const QDateTime &at, const QDateTime &now);

private:
    void stepFinished(int findings);

    QWidget *m_window;
    TrayIcon *m_tray;
};
