#include "app/commands/AddToDatabaseCommand.h"

#include <QWidget>

#include "app/dialogs/FormDR.h"
#include "app/parts/MainMenus.h"
#include "lists/ScanListModel.h"
#include "platform/Prompt.h"
#include "records/RecordCommands.h"
#include "records/ScanRowImport.h"

AddToDatabaseCommand::AddToDatabaseCommand(MainMenus &menus, ScanListModel &scanList,
                                           RecordCommands &commands, WorkRunner &work, QWidget *window)
    : QObject(window), m_scanList(scanList), m_commands(commands), m_work(work), m_window(window)
{
    menus.setHandler(QStringLiteral("SMmenu5"), [this] { start(); });
}

void AddToDatabaseCommand::start()
{
    if (m_scanList.count() == 0)
        return;
    if (m_scanList.checkedRows().isEmpty()) {
        m_commands.prompt().notice(QLatin1String(ScanRowImport::NothingTickedText));
        return;
    }
    auto *wizard = new FormDR(m_scanList, m_commands, m_work, m_window);
    wizard->setAttribute(Qt::WA_DeleteOnClose);
    wizard->open();
}
