#pragma once

#include <QObject>

class MainMenus;
class RecordCommands;
class ScanListModel;
class QWidget;
class WorkRunner;

// "Add to Database..." (SMmenu5; the button CmdaddToR and the scan list's
// pop-up entry menuPopS15 trigger it): opens the wizard FormDR over the
// window for the ticked scan rows. An empty scan list does nothing; a list
// with no row ticked is refused with a message before the wizard opens.
class AddToDatabaseCommand : public QObject
{
    Q_OBJECT

public:
    AddToDatabaseCommand(MainMenus &menus, ScanListModel &scanList, RecordCommands &commands,
                         WorkRunner &work, QWidget *window);

private:
    void start();

    ScanListModel &m_scanList;
    RecordCommands &m_commands;
    WorkRunner &m_work;
    QWidget *m_window;
};
