#include "tests/support/PostgresServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVersionNumber>
#include <atomic>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace {

// A connection of the test's own, removed when it goes.
class Connection
{
public:
    Connection(const DatabaseUrl &url)
    {
        static std::atomic<int> next{0};
        m_name = QStringLiteral("test-pg-%1").arg(++next);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        if (const Result<> applied = url.apply(db); !applied)
            m_error = applied.error();
        else if (!db.open())
            m_error = db.lastError().text();
    }
    ~Connection() { QSqlDatabase::removeDatabase(m_name); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    const QString &error() const { return m_error; }

private:
    QString m_name;
    QString m_error;
};

} // namespace

PostgresServer::~PostgresServer()
{
    stop();
}

QString PostgresServer::binFolder()
{
    const QString given = qEnvironmentVariable("NETKESTREL_PG_BINDIR");
    if (!given.isEmpty())
        return QFile::exists(given + QStringLiteral("/initdb")) ? given : QString();
    QString best;
    QVersionNumber bestVersion;
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    for (const QString &version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        const QVersionNumber number = QVersionNumber::fromString(version);
        if (QFile::exists(bin + QStringLiteral("/initdb")) &&
            QFile::exists(bin + QStringLiteral("/pg_ctl")) && number > bestVersion) {
            best = bin;
            bestVersion = number;
        }
    }
    return best;
}

QString PostgresServer::unavailableReason()
{
    if (binFolder().isEmpty())
        return QStringLiteral("the PostgreSQL server is not installed (Debian package postgresql)");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("Qt's PostgreSQL driver is not installed (Debian package libqt6sql6-psql)");
    return {};
}

QString PostgresServer::dataFolder() const
{
    return m_dir.filePath(QStringLiteral("data"));
}

Result<> PostgresServer::runAsOwner(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = binFolder() + QLatin1Char('/') + program;
    if (geteuid() == 0)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), m_owner, QStringLiteral("--"), path} + arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return Failure{program + QStringLiteral(" did not finish")};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return Failure{program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll())};
    return {};
}

Result<> PostgresServer::start()
{
    if (!m_dir.isValid())
        return Failure{QStringLiteral("no temporary folder: ") + m_dir.errorString()};
    if (geteuid() == 0) {
        // The server refuses to run as root: the folder goes to an account
        // without privileges.
        const passwd *account = getpwnam("postgres");
        if (!account)
            account = getpwnam("nobody");
        if (!account)
            return Failure{QStringLiteral("no unprivileged account to run the server")};
        m_owner = QString::fromLocal8Bit(account->pw_name);
        if (chown(QFile::encodeName(m_dir.path()).constData(), account->pw_uid, account->pw_gid) != 0)
            return Failure{QStringLiteral("cannot hand the folder to ") + m_owner};
    }
    if (const Result<> made = runAsOwner(
            QStringLiteral("initdb"),
            {QStringLiteral("-D"), dataFolder(), QStringLiteral("-U"), QLatin1String(Superuser),
             QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
             QStringLiteral("--locale=C"), QStringLiteral("--no-sync"), QStringLiteral("--no-instructions")});
        !made)
        return made;

    // No TCP address; the socket in the folder only. Durability is of no use
    // to a throwaway server. pg_hba admits local connections only: the
    // superuser without a password, every other role with its password.
    QFile conf(dataFolder() + QStringLiteral("/postgresql.conf"));
    QFile hba(dataFolder() + QStringLiteral("/pg_hba.conf"));
    if (!conf.open(QIODevice::Append) || !hba.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Failure{QStringLiteral("cannot configure the server")};
    conf.write(QStringLiteral("listen_addresses = ''\n"
                              "unix_socket_directories = '%1'\n"
                              "fsync = off\nfull_page_writes = off\nsynchronous_commit = off\n"
                              "max_connections = 50\nshared_buffers = 16MB\n")
                   .arg(m_dir.path())
                   .toUtf8());
    hba.write(QStringLiteral("local all %1 trust\nlocal all all scram-sha-256\n")
                  .arg(QLatin1String(Superuser))
                  .toUtf8());
    conf.close();
    hba.close();

    if (const Result<> started = runAsOwner(
            QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataFolder(), QStringLiteral("-l"),
                                       m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                                       QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")});
        !started) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        return Failure{started.error() + QString::fromLocal8Bit(log.readAll())};
    }
    QFile pidFile(dataFolder() + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("the server left no postmaster.pid")};
    m_pid = QString::fromLatin1(pidFile.readLine()).trimmed().toLongLong();
    if (m_pid <= 0)
        return Failure{QStringLiteral("postmaster.pid holds no PID")};
    // Stops the server should this process die before stop(): it waits for
    // this process to go, and then, if the server still runs (its PID file
    // is there), sends it the fast shutdown.
    QProcess::startDetached(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral(
             "while kill -0 \"$1\" 2>/dev/null; do sleep 1; done; [ -e \"$3\" ] && kill -INT \"$2\""),
         QStringLiteral("watchdog"), QString::number(QCoreApplication::applicationPid()),
         QString::number(m_pid), dataFolder() + QStringLiteral("/postmaster.pid")},
        QString(), &m_watchdogPid);
    return {};
}

void PostgresServer::stop()
{
    if (m_pid <= 0)
        return;
    const pid_t pid = pid_t(m_pid);
    m_pid = 0;
    if (m_watchdogPid > 0)
        ::kill(pid_t(m_watchdogPid), SIGTERM);
    m_watchdogPid = 0;
    // Fast shutdown; the postmaster removes its PID file once it is down.
    // It is not this process's child, so the file tells when it is gone.
    const QString pidFile = dataFolder() + QStringLiteral("/postmaster.pid");
    ::kill(pid, SIGINT);
    QDeadlineTimer deadline(30000);
    while (QFile::exists(pidFile) && !deadline.hasExpired())
        QThread::msleep(20);
    if (QFile::exists(pidFile))
        ::kill(pid, SIGKILL);
}

Result<QString> PostgresServer::createDatabase()
{
    const QString name = QStringLiteral("kestrel_test_%1").arg(++m_databases);
    if (const Result<> made = exec(QStringLiteral("postgres"), {QStringLiteral("CREATE DATABASE ") + name});
        !made)
        return Failure{made.error()};
    return name;
}

QString PostgresServer::url(const QString &database, const QString &user) const
{
    return QStringLiteral("postgresql://%1@/%2?host=%3").arg(user, database, m_dir.path());
}

DatabaseUrl PostgresServer::databaseUrl(const QString &database, const QString &passwordFile) const
{
    Result<DatabaseUrl> parsed = DatabaseUrl::parse(url(database), passwordFile);
    return *parsed;
}

Result<> PostgresServer::exec(const QString &database, const QStringList &statements) const
{
    Connection connection(databaseUrl(database));
    if (!connection.error().isEmpty())
        return Failure{connection.error()};
    QSqlQuery query(connection.db());
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return Failure{statement + QStringLiteral(": ") + query.lastError().text()};
    }
    return {};
}

Result<QVariantList> PostgresServer::column(const QString &database, const QString &statement,
                                            const QVariantList &values, int position) const
{
    Connection connection(databaseUrl(database));
    if (!connection.error().isEmpty())
        return Failure{connection.error()};
    QVariantList result;
    {
        QSqlQuery query(connection.db());
        if (!query.prepare(statement))
            return Failure{statement + QStringLiteral(": ") + query.lastError().text()};
        for (qsizetype k = 0; k < values.size(); ++k)
            query.bindValue(int(k), values.at(k));
        if (!query.exec())
            return Failure{statement + QStringLiteral(": ") + query.lastError().text()};
        while (query.next())
            result.append(query.value(position));
    }
    return result;
}
