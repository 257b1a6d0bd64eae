#include "app/commands/DatabaseConnectionCommands.h"

#include <QAction>
#include <QMenu>

#include "app/dialogs/FormDatabaseConnection.h"
#include "app/parts/MainMenus.h"
#include "platform/Prompt.h"
#include "records/RecordStore.h"

DatabaseConnectionCommands::DatabaseConnectionCommands(MainMenus &menus, RecordStore &store,
                                                       QString dataFolder, Prompt &prompt, Asker ask,
                                                       std::function<void()> storeChanged, QWidget *window)
    : QObject(window),
      m_store(store),
      m_dataFolder(std::move(dataFolder)),
      m_prompt(prompt),
      m_ask(std::move(ask)),
      m_storeChanged(std::move(storeChanged))
{
    if (!m_ask)
        m_ask = [window](const DatabaseConnection &current) {
            return FormDatabaseConnection::ask(current, window);
        };
    if (QMenu *settings = menus.menu(QStringLiteral("menuSet"))) {
        settings->addSeparator();
        QAction *action = settings->addAction(QStringLiteral("Database Connection..."));
        action->setObjectName(QLatin1String(ActionName));
        connect(action, &QAction::triggered, this, &DatabaseConnectionCommands::change);
    }
}

void DatabaseConnectionCommands::openStored()
{
    const DatabaseConnection stored = DatabaseConnection::load();
    const Result<std::optional<DatabaseUrl>> server = stored.server();
    if (!server) {
        m_store = RecordStore(m_dataFolder);
        m_prompt.error(
            QStringLiteral("The stored database connection %1 cannot be used; the window uses %2.\r\n%3")
                .arg(stored.url, m_store.location(), server.error()));
    } else {
        m_store = RecordStore(m_dataFolder, *server);
    }
    if (const Result<> opened = m_store.prepare(); !opened)
        m_prompt.error(opened.error() + QLatin1String(ChooseAnotherText));
}

void DatabaseConnectionCommands::change()
{
    // The same answer again is a retry: a server that was down may be up.
    if (const std::optional<DatabaseConnection> wanted = m_ask(DatabaseConnection::load()))
        use(*wanted);
}

bool DatabaseConnectionCommands::use(const DatabaseConnection &connection)
{
    const Result<std::optional<DatabaseUrl>> server = connection.server();
    if (!server) {
        m_prompt.error(QStringLiteral("The database connection cannot be used; the window keeps %1.\r\n%2")
                           .arg(m_store.location(), server.error()));
        return false;
    }
    const RecordStore candidate(m_dataFolder, *server);
    if (const Result<> opened = candidate.prepare(); !opened) {
        m_prompt.error(
            QStringLiteral("The database connection could not be opened; the window keeps %1.\r\n%2")
                .arg(m_store.location(), opened.error()));
        return false;
    }
    m_store = candidate;
    connection.save();
    if (m_storeChanged)
        m_storeChanged();
    return true;
}
