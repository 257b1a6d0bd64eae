#pragma once

#include <QObject>

#include "scan/ScanRun.h"

class AutoStepNotice;
class ListView;
class MainMenus;
class OptionFrames;
class Prompt;
class ScanListModel;
class StatusBarPanels;

// The Scan menu ("Scan", "Pause"/"Continue", "Stop") and the File menu's
// commands on the scan list ("Clear list", the check-box commands,
// "Remove"), with the scan buttons and tool-box buttons that run them and
// the list's pop-up menu menuPopS. Shows the scan run in the window: the
// items' enabled states, the pause caption, the status bar's text, progress
// and animation, and why a run could not start (a message box for a scan
// the user started; AutoStepNotice for an automatic step's).
class ScanCommands : public QObject
{
    Q_OBJECT

public:
    enum class Origin { User, Automatic };

    ScanCommands(MainMenus &menus, ScanRun &scanRun, ScanListModel &scanList, OptionFrames *frames,
                 ListView *scanView, StatusBarPanels *status, Prompt &prompt, QWidget *window);

    // Starts a scan of the range boxes as the Scan button does; false when
    // a run is going or the range was refused (and said why).
    bool startScan(Origin origin);
    AutoStepNotice *autoStepNotice() const { return m_notice; }

private:
    void reportStartFailure(const QString &title, const QString &text);
    void stateChanged(ScanRun::State state);
    void setPauseCaption(const QString &caption);

    MainMenus &m_menus;
    ScanRun &m_scanRun;
    OptionFrames *m_frames;
    StatusBarPanels *m_status;
    Prompt &m_prompt;
    AutoStepNotice *m_notice;
    Origin m_runOrigin = Origin::User; // of the run going, or the last one
};
