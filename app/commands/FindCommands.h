#pragma once

#include <QObject>
#include <QPointer>

class FormCZ;
class ListModel;
class ListView;
class MainMenus;
struct ProgramState;
class Prompt;
class QTabWidget;

// "Find..." on the scan list (SMmenu2) and "Find Record" (BAmenu5): one
// find dialog FormCZ for both lists, raised again while it is open. After a
// search the list searched comes to the front with the focus.
class FindCommands : public QObject
{
    Q_OBJECT

public:
    FindCommands(MainMenus &menus, ListModel &scanList, ListModel &recordList, ProgramState &state,
                 Prompt &prompt, QTabWidget *tabs, ListView *scanView, ListView *recordView, QWidget *window);

private:
    void startFind(ListModel &list, qint16 target);

    ListModel &m_scanList;
    ListModel &m_recordList;
    ProgramState &m_state;
    Prompt &m_prompt;
    QTabWidget *m_tabs;
    ListView *m_scanView;
    ListView *m_recordView;
    QWidget *m_window;
    QPointer<FormCZ> m_find;
};
