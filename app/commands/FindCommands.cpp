#include "app/commands/FindCommands.h"

#include <QTabWidget>

#include "app/dialogs/FormCZ.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/ListView.h"
#include "platform/ProgramState.h"
#include "records/FindNextInList.h"

FindCommands::FindCommands(MainMenus &menus, ListModel &scanList, ListModel &recordList, ProgramState &state,
                           Prompt &prompt, QTabWidget *tabs, ListView *scanView, ListView *recordView,
                           QWidget *window)
    : QObject(window),
      m_scanList(scanList),
      m_recordList(recordList),
      m_state(state),
      m_prompt(prompt),
      m_tabs(tabs),
      m_scanView(scanView),
      m_recordView(recordView),
      m_window(window)
{
    menus.setHandler(QStringLiteral("SMmenu2"),
                     [this] { startFind(m_scanList, ProgramState::FindScanList); });
    menus.setHandler(QStringLiteral("BAmenu5"),
                     [this] { startFind(m_recordList, ProgramState::FindRecordList); });
}

void FindCommands::startFind(ListModel &list, qint16 target)
{
    if (!StartFind(list, target, m_state))
        return;
    if (m_find) {
        m_find->raise();
        m_find->activateWindow();
        return;
    }
    m_find = new FormCZ(m_scanList, m_recordList, m_state, m_prompt, m_window);
    connect(m_find, &FormCZ::listSearched, this, [this](qint16 searched, int) {
        const bool scan = searched == ProgramState::FindScanList;
        m_tabs->setCurrentIndex(scan ? 0 : 1);
        (scan ? m_scanView : m_recordView)->setFocus();
    });
    m_find->show();
}
