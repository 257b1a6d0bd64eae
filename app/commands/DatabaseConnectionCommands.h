#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "app/dialogs/DatabaseConnection.h"

class MainMenus;
class Prompt;
class RecordStore;
class QWidget;

// "Database Connection..." at the end of the Setting menu: chooses where the
// window's record store lives (FormDatabaseConnection). A new connection is
// opened before it is used; one that cannot be opened is said through the
// prompt and changes nothing, neither the store nor the stored setting, so
// the window goes on with the database it had. GUI thread only.
class DatabaseConnectionCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *ActionName = "menuSetDatabase";
    // Ends the message of a stored connection that cannot be opened.
    static constexpr const char *ChooseAnotherText =
        "\r\n\r\nSetting, Database Connection... chooses another database.";

    // Asks for the connection, given the current one; nothing when cancelled.
    using Asker = std::function<std::optional<DatabaseConnection>(const DatabaseConnection &current)>;

    // store: the window's, assigned here when the connection changes; it
    // must outlive the commands. storeChanged: the window reads its lists
    // and options again from the new store. ask empty: the dialog over window.
    DatabaseConnectionCommands(MainMenus &menus, RecordStore &store, QString dataFolder, Prompt &prompt,
                               Asker ask, std::function<void()> storeChanged, QWidget *window);

    // At start-up: the store of the stored setting, opened once so that a new
    // database gets its tables. A stored URL that is no URL leaves the
    // embedded file; a server that cannot be opened stays chosen (each
    // command then says that it cannot reach it). Both are said.
    void openStored();
    // Asks and uses the answer.
    void change();
    // Opens the connection and makes it the window's; false (said) when it
    // cannot be opened.
    bool use(const DatabaseConnection &connection);

private:
    RecordStore &m_store;
    QString m_dataFolder;
    Prompt &m_prompt;
    Asker m_ask;
    std::function<void()> m_storeChanged;
};
