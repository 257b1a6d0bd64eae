#pragma once

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include "lists/PresetRecord.h"
#include "lists/RecordListModel.h"
#include "platform/ProgramState.h"
#include "records/RecordCommands.h"
#include "records/RecordStore.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/ScriptedPrompt.h"

// A temporary data folder with the record store on it, a record list, a
// scripted prompt, the program state, and the record commands on all of
// them. Make a new one in each test's init(), so that every test function
// starts with an empty folder (no database file yet) and an empty prompt log.
// Given a server, the store is on a new empty database of that server
// instead, and exec() and column() run there.
class RecordFixture
{
public:
    explicit RecordFixture(PostgresServer *server = nullptr);
    RecordFixture(const RecordFixture &) = delete;
    RecordFixture &operator=(const RecordFixture &) = delete;

    bool isValid() const { return m_dir.isValid() && (!m_server || m_store.server()); }
    bool onServer() const { return m_server != nullptr; }
    QString folder() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString databasePath() const { return m_store.databasePath(); }
    // What a netkestrel-cli command needs to open this store: --data-dir and,
    // on a server, --database with the store's URL (its password option named
    // passwordOption is never needed: the superuser connects without one).
    QStringList storeArguments() const
    {
        QStringList arguments{QStringLiteral("--data-dir"), folder()};
        if (m_store.server())
            arguments << QStringLiteral("--database") << m_store.server()->display();
        return arguments;
    }

    RecordStore &store() { return m_store; }
    RecordListModel &list() { return m_list; }
    ScriptedPrompt &prompt() { return m_prompt; }
    ProgramState &state() { return m_state; }
    RecordCommands &commands() { return m_commands; }

    // Inserts a record through the store and returns it with its ID. A
    // failure fails the running test (QTest::qFail) and returns ID 0.
    PresetRecord add(const QString &ip, const QString &mac, const QString &host = {});

    // Runs statements on the database (file or server) through a connection
    // of the test's own, past the store and its migrations: for files as
    // other programs or older versions leave them. False (with a warning) when one
    // fails.
    bool exec(const QStringList &statements) const;
    bool exec(const QString &statement) const { return exec(QStringList{statement}); }
    // One column (by position) of every row of a query run the same way.
    QVariantList column(const QString &statement, const QVariantList &values = {}, int position = 0) const;

private:
    QTemporaryDir m_dir;
    PostgresServer *m_server = nullptr;
    RecordStore m_store;
    RecordListModel m_list;
    ScriptedPrompt m_prompt;
    ProgramState m_state;
    RecordCommands m_commands;
};
