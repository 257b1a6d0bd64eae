#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

#include "platform/Result.h"
#include "records/DatabaseUrl.h"

// A PostgreSQL server of the test's own: initdb into a temporary folder as an
// unprivileged user (the account "postgres", or "nobody"; the tests run as
// root in CI and the server refuses to), listening on no TCP address at all,
// only on a Unix socket in that folder. Stopped by the postmaster's PID
// (fast shutdown, then SIGKILL) when the object goes, also when the test
// failed; should the test process die without that, a watchdog it starts
// stops the server by the same PID. Each database it makes is empty; the superuser connects without a
// password through the socket.
class PostgresServer
{
public:
    static constexpr const char *Superuser = "kestrel_admin";

    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // The folder of initdb, pg_ctl and postgres (NETKESTREL_PG_BINDIR, else
    // the newest under /usr/lib/postgresql); empty when they are missing.
    static QString binFolder();
    // Why a server cannot be had here (binaries or the QPSQL driver are
    // missing), for QSKIP; empty when it can.
    static QString unavailableReason();

    Result<> start();
    void stop();
    bool isRunning() const { return m_pid > 0; }
    qint64 pid() const { return m_pid; }
    QString socketFolder() const { return m_dir.path(); }

    // A new empty database; returns its name.
    Result<QString> createDatabase();
    // The URL of a database through the socket, as --database takes it.
    QString url(const QString &database, const QString &user = QLatin1String(Superuser)) const;
    DatabaseUrl databaseUrl(const QString &database, const QString &passwordFile = {}) const;
    // Runs statements as the superuser on a database.
    Result<> exec(const QString &database, const QStringList &statements) const;
    // One column (by position) of every row of a query on a database.
    Result<QVariantList> column(const QString &database, const QString &statement,
                                const QVariantList &values = {}, int position = 0) const;

private:
    // Runs a program of the server as the unprivileged user; its output on failure.
    Result<> runAsOwner(const QString &program, const QStringList &arguments) const;
    QString dataFolder() const;

    QTemporaryDir m_dir{QStringLiteral("/tmp/nk-pg-XXXXXX")};
    QString m_owner;
    qint64 m_pid = 0;
    qint64 m_watchdogPid = 0;
    int m_databases = 0;
};
