#pragma once

#include "platform/Result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <utility>

// Where a record store on a PostgreSQL server is: the URL of --database,
// postgresql://user@host:port/dbname or, through the server's Unix socket,
// postgresql://user@/dbname?host=/socket/folder. The password never comes in
// the URL, where it would show in the process list and the shell's history:
// libpq reads it from PGPASSFILE or ~/.pgpass, or it is the first line of the
// file that --password-file names.
//
// Over TCP the connection is encrypted unless the URL says otherwise: a
// server on the way could otherwise answer that it has no TLS and read the
// password (libpq's own default, sslmode=prefer, then goes on in clear). The
// URL may name libpq's sslmode, sslrootcert, sslcert, sslkey and sslcrl;
// without sslmode a TCP connection requires TLS (or PGSSLMODE's verify-ca
// or verify-full, when it names one of these). sslmode=disable is the way
// to allow a plain connection. Through a Unix socket libpq decides alone.
class DatabaseUrl
{
public:
    // Refuses anything that is not such a URL, a URL with a password, an
    // sslmode that libpq does not know, and a certificate, key or CRL that
    // is not a readable file.
    static Result<DatabaseUrl> parse(const QString &text, const QString &passwordFile = {});

    const QString &user() const { return m_user; }
    // A host name or address, or the folder of the server's Unix socket; empty
    // for libpq's default.
    const QString &host() const { return m_host; }
    int port() const { return m_port; } // -1: the default
    const QString &database() const { return m_database; }
    const QString &passwordFile() const { return m_passwordFile; }

    // The sslmode the connection is opened with: the URL's, else the one that
    // the rule above gives a TCP connection; empty through a Unix socket
    // without one.
    QString sslMode() const;
    // True when the connection goes over TCP and must be encrypted.
    bool requiresTls() const;

    // The URL without secrets, for messages.
    QString display() const;

    // Sets host, port, user, database, the password (read from the file, when
    // one is named) and the connect options with the TLS settings on a
    // connection of the QPSQL driver, not yet open.
    Result<> apply(QSqlDatabase &db) const;

    // The driver's text of a failed open, or the program's own words when
    // the failure is that the server offers no TLS where it is required
    // (asked of the server itself, for libpq's texts may be translated).
    QString openFailure(const QString &driverText) const;

private:
    bool overTcp() const;

    QString m_user;
    QString m_host;
    int m_port = -1;
    QString m_database;
    QString m_passwordFile;
    QString m_sslMode;
    // sslrootcert, sslcert, sslkey, sslcrl as the URL names them, absolute.
    QList<std::pair<QString, QString>> m_sslFiles;
};
