#pragma once

#include <QObject>
#include <QString>

#include "tools/ArpBindingCommand.h"
#include "tools/MessageSender.h"
#include "tools/OpenComputer.h"
#include "tools/PingTool.h"
#include "tools/RemoteShutdown.h"
#include "tools/WakeOnLan.h"

class DesktopServices;
class ListModel;
class MainMenus;
class ProgramRunner;
class Prompt;
class QWidget;

// The Tools menu's network tools and their pop-up entries and button: "Ping
// IP" (the database pane's Ping), "Wake-On-Lan", "Generate IP-MAC binding
// BAT file" from either list, "Call Remote Desktop", "Open Computer", "Send a
// Message...", "Remote Shutdown" and its options. The three dialogs open
// window-modal without waiting (each deletes itself when closed).
// The ping and the neighbour-table changes block the window while they run
// (at most the echo's time-out, or until pkexec's authentication ends).
class ToolCommands : public QObject
{
    Q_OBJECT

public:
    struct Lists
    {
        ListModel &scanList;
        ListModel &recordList;
    };

    ToolCommands(MainMenus &menus, Lists lists, Prompt &prompt, DesktopServices &desktop,
                 ProgramRunner &runner, const WakeDestination &wakeDestination, const QString &dataFolder,
                 QWidget *window);

private:
    void ping();
    void openMessageDialog();
    void openShutdownDialog();
    QString pickComputer(QWidget *over);

    Lists m_lists;
    Prompt &m_prompt;
    ProgramRunner &m_runner;
    QWidget *m_window;
    MessageSender m_messageSender;
    RemoteShutdown m_remoteShutdown;
    PingTool m_pingTool;
    WakeOnLan m_wakeOnLan;
    ArpBindingCommand m_arpBinding;
    OpenComputer m_openComputer;
};
