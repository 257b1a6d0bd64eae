#pragma once

#include <QObject>
#include <QString>

#include "ArpBindingCommand.h"
#include "OpenComputer.h"
#include "PingTool.h"
#include "WakeOnLan.h"

class DesktopServices;
class ListModel;
class MainMenus;
class ProgramRunner;
class Prompt;
class QWidget;

// The Tools menu's network tools and their pop-up entries and button: "Ping
// IP" (the database pane's Ping), "Wake-On-Lan", "Generate IP-MAC binding
// BAT file" from either list, "Call Remote Desktop" and "Open Computer".
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

    Lists m_lists;
    Prompt &m_prompt;
    PingTool m_pingTool;
    WakeOnLan m_wakeOnLan;
    ArpBindingCommand m_arpBinding;
    OpenComputer m_openComputer;
};
