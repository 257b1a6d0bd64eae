#pragma once

#include "Result.h"

#include <QSqlDatabase>
#include <QString>

// Where a record store on a PostgreSQL server is: the URL of --database,
// postgresql://user@host:port/dbname or, through the server's Unix socket,
// postgresql://user@/dbname?host=/socket/folder. The password never comes in
// the URL, where it would show in the process list and the shell's history:
// libpq reads it from PGPASSFILE or ~/.pgpass, or it is the first line of the
// file that --password-file names.
class DatabaseUrl
{
public:
    // Refuses anything that is not such a URL, and a URL with a password.
    static Result<DatabaseUrl> parse(const QString &text, const QString &passwordFile = {});

    const QString &user() const { return m_user; }
    // A host name or address, or the folder of the server's Unix socket; empty
    // for libpq's default.
    const QString &host() const { return m_host; }
    int port() const { return m_port; } // -1: the default
    const QString &database() const { return m_database; }
    const QString &passwordFile() const { return m_passwordFile; }

    // The URL without secrets, for messages.
    QString display() const;

    // Sets host, port, user, database and the password (read from the file,
    // when one is named) on a connection of the QPSQL driver, not yet open.
    Result<> apply(QSqlDatabase &db) const;

private:
    QString m_user;
    QString m_host;
    int m_port = -1;
    QString m_database;
    QString m_passwordFile;
};
