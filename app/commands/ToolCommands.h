#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "app/widgets/BusyCursor.h"

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
class WorkRunner;

// The Tools menu's network tools and their pop-up entries and button: "Ping
// IP" (the database pane's Ping), "Wake-On-Lan", "Generate IP-MAC binding
// BAT file" from either list, "Call Remote Desktop", "Open Computer", "Send a
// Message...", "Remote Shutdown" and its options. The three dialogs open
// window-modal without waiting (each deletes itself when closed).
// The ping blocks the window while it runs (at most the echo's time-out);
// the neighbour-table changes and the computer picker's search run on the
// work runner.
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
                 ProgramRunner &runner, WorkRunner &work, const WakeDestination &wakeDestination,
                 const QString &dataFolder, QWidget *window);
    ~ToolCommands() override;

private:
    void ping();
    void openMessageDialog();
    void openShutdownDialog();
    void applyToNeighbourTable(const QList<ArpBinding> &bindings,
                               std::function<void(const ArpBindingCommand::Applied &)> report);
    void pickComputer(QWidget *over, std::function<void(const QString &)> chosen);

    Lists m_lists;
    MainMenus &m_menus;
    Prompt &m_prompt;
    ProgramRunner &m_runner;
    WorkRunner &m_work;
    QWidget *m_window;
    MessageSender m_messageSender;
    RemoteShutdown m_remoteShutdown;
    PingTool m_pingTool;
    WakeOnLan m_wakeOnLan;
    ArpBindingCommand m_arpBinding;
    OpenComputer m_openComputer;
    std::unique_ptr<BusyCursor> m_busy; // while the bindings are applied
};
