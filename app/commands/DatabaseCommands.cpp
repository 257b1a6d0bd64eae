#include "app/commands/DatabaseCommands.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "app/dialogs/FormAddJF.h"
#include "app/parts/DatabasePane.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/ListView.h"
#include "lists/RecordListModel.h"
#include "records/RecordCommands.h"

DatabaseCommands::DatabaseCommands(MainMenus &menus, RecordCommands &commands, RecordListModel &records,
                                   DatabasePane *pane, ListView *recordView, QWidget *window)
    : QObject(window), m_commands(commands), m_window(window)
{
    menus.setHandler(QStringLiteral("BAmenu1"), [this] {
        m_commands.beginAdd();
        openRecordEditor();
    });
    menus.setHandler(QStringLiteral("BAmenu2"), [this] {
        if (m_commands.beginModify())
            openRecordEditor();
    });
    menus.setHandler(QStringLiteral("BAmenu15"), [&records] { records.setAllChecked(true); });
    menus.setHandler(QStringLiteral("BAmenu16"), [&records] { records.setAllChecked(false); });
    menus.setHandler(QStringLiteral("BAmenu17"), [&records] { records.invertChecked(); });
    menus.setHandler(QStringLiteral("BAmenu18"), [this] { m_commands.deleteSelected(); });

    const char *const buttons[][2] = {
        {"CmdAdd", "BAmenu1"},  {"CmdMod", "BAmenu2"},   {"CmdDel", "BAmenu18"},
        {"CmdBack", "BAmenu9"}, {"CmdFindR", "BAmenu5"}, {"CmdPing", "BAmenu13"},
    };
    for (const auto &[button, item] : buttons)
        menus.bindButton(pane->button(QLatin1String(button)), QLatin1String(item));

    QMenu *popup = menus.menu(QStringLiteral("menuPopD"));
    connect(recordView, &ListView::popupRequested, popup, [popup](const QPoint &at) { popup->popup(at); });
    QAction *modify = menus.action(QStringLiteral("BAmenu2"));
    connect(recordView, &QAbstractItemView::doubleClicked, modify, [modify] { modify->trigger(); });
}

void DatabaseCommands::openRecordEditor()
{
    auto *editor = new FormAddJF(m_commands, m_window);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->open();
}
