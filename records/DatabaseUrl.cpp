#include "records/DatabaseUrl.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

#include <optional>

namespace {

const QStringList SslModes{QStringLiteral("disable"),   QStringLiteral("allow"),
                           QStringLiteral("prefer"),    QStringLiteral("require"),
                           QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
const QStringList SslFileKeys{QStringLiteral("sslrootcert"), QStringLiteral("sslcert"),
                              QStringLiteral("sslkey"), QStringLiteral("sslcrl")};

// How long the server may take to say whether it offers TLS.
constexpr int TlsQuestionMs = 5000;
constexpr quint16 DefaultPort = 5432;
constexpr qint64 MaxPasswordBytes = 4096;

Failure invalid(const QString &text, const QString &why)
{
    return Failure{QStringLiteral("\"%1\" is not a database URL: %2").arg(text, why)};
}

// A value of libpq's connection string, quoted: the driver puts the connect
// options after its own settings, and libpq takes the last of each, so an
// unquoted space would let a file name set another option.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// The TCP hosts among those libpq connects to: a URL's host, or when it has
// none libpq's default, PGHOST (else the Unix socket). Each is a name, an
// address or a socket folder, several separated by commas.
QStringList tcpHosts(const QString &urlHost)
{
    const QString hosts = urlHost.isEmpty() ? qEnvironmentVariable("PGHOST") : urlHost;
    QStringList tcp;
    for (const QString &host : hosts.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!host.startsWith(QLatin1Char('/')) && !host.startsWith(QLatin1Char('@')))
            tcp.append(host);
    }
    return tcp;
}

// Asks the server what libpq asks before anything else: the SSLRequest,
// answered with one byte, 'S' or 'N'. Sends nothing more, so no password can
// leave. Nothing when no such answer comes in time.
std::optional<bool> offersTls(const QString &host, quint16 port)
{
    const QDeadlineTimer deadline(TlsQuestionMs);
    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return std::nullopt;
    // Its length, 8, and the request code 1234 5679.
    static const char request[] = {0, 0, 0, 8, 0x04, char(0xd2), 0x16, 0x2f};
    socket.write(request, sizeof request);
    if (!socket.waitForReadyRead(int(deadline.remainingTime())))
        return std::nullopt;
    char answer = 0;
    if (!socket.getChar(&answer) || (answer != 'S' && answer != 'N'))
        return std::nullopt;
    return answer == 'S';
}

} // namespace

Result<DatabaseUrl> DatabaseUrl::parse(const QString &text, const QString &passwordFile)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return invalid(text, url.errorString());
    if (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))
        return invalid(text, QStringLiteral("it does not begin with postgresql://."));
    if (!url.password().isEmpty())
        return Failure{QStringLiteral("The password does not belong into the database URL, where others can "
                                      "see it: put it into ~/.pgpass, a file named by PGPASSFILE, or a file "
                                      "named by --password-file.")};
    DatabaseUrl parsed;
    parsed.m_user = url.userName();
    parsed.m_host = url.host();
    parsed.m_port = url.port(-1);
    parsed.m_database = url.path().mid(1);
    parsed.m_passwordFile = passwordFile;
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            parsed.m_host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            parsed.m_port = value.toInt(&ok);
            if (!ok || parsed.m_port <= 0 || parsed.m_port > 65535)
                return invalid(text, QStringLiteral("the port is not a number from 1 to 65535."));
        } else if (key == QLatin1String("password")) {
            return Failure{QStringLiteral("The password does not belong into the database URL, where others "
                                          "can see it: put it into ~/.pgpass, a file named by PGPASSFILE, or "
                                          "a file named by --password-file.")};
        } else if (key == QLatin1String("sslmode")) {
            if (!SslModes.contains(value))
                return invalid(
                    text, QStringLiteral("sslmode is one of %1.").arg(SslModes.join(QStringLiteral(", "))));
            parsed.m_sslMode = value;
        } else if (SslFileKeys.contains(key)) {
            const QFileInfo file(value);
            // The driver turns every ';' of its connect options into a space.
            if (value.isEmpty() || value.contains(QLatin1Char(';')) || !file.isFile() || !file.isReadable())
                return Failure{QStringLiteral("The file that %1 names in the database URL cannot be read: %2")
                                   .arg(key, value)};
            parsed.m_sslFiles.append({key, file.absoluteFilePath()});
        } else {
            return invalid(text, QStringLiteral("the parameter \"%1\" is not known.").arg(key));
        }
    }
    if (parsed.m_database.isEmpty() || parsed.m_database.contains(QLatin1Char('/')))
        return invalid(text, QStringLiteral("it names no database."));
    return parsed;
}

bool DatabaseUrl::overTcp() const
{
    return !tcpHosts(m_host).isEmpty();
}

QString DatabaseUrl::sslMode() const
{
    if (!m_sslMode.isEmpty() || !overTcp())
        return m_sslMode;
    const QString environment = qEnvironmentVariable("PGSSLMODE");
    if (environment == QLatin1String("verify-ca") || environment == QLatin1String("verify-full"))
        return environment;
    return QStringLiteral("require");
}

bool DatabaseUrl::requiresTls() const
{
    const QString mode = sslMode();
    return overTcp() && (mode == QLatin1String("require") || mode.startsWith(QLatin1String("verify-")));
}

QString DatabaseUrl::display() const
{
    QString text = QStringLiteral("postgresql://");
    if (!m_user.isEmpty())
        text += m_user + QLatin1Char('@');
    const bool socket = m_host.startsWith(QLatin1Char('/'));
    if (!socket)
        text += m_host;
    if (m_port > 0)
        text += QLatin1Char(':') + QString::number(m_port);
    text += QLatin1Char('/') + m_database;
    QStringList parameters;
    if (socket)
        parameters.append(QStringLiteral("host=") + m_host);
    if (!m_sslMode.isEmpty())
        parameters.append(QStringLiteral("sslmode=") + m_sslMode);
    for (const auto &[key, path] : m_sslFiles)
        parameters.append(key + QLatin1Char('=') + path);
    if (!parameters.isEmpty())
        text += QLatin1Char('?') + parameters.join(QLatin1Char('&'));
    return text;
}

Result<> DatabaseUrl::apply(QSqlDatabase &db) const
{
    if (!m_host.isEmpty())
        db.setHostName(m_host);
    if (m_port > 0)
        db.setPort(m_port);
    db.setUserName(m_user);
    db.setDatabaseName(m_database);
    QStringList options{QStringLiteral("connect_timeout=10"), QStringLiteral("application_name=netkestrel")};
    if (const QString mode = sslMode(); !mode.isEmpty())
        options.append(QStringLiteral("sslmode=") + mode);
    for (const auto &[key, path] : m_sslFiles)
        options.append(key + QLatin1Char('=') + quoted(path));
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!m_passwordFile.isEmpty()) {
        QFile file(m_passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return Failure{QStringLiteral("The password file cannot be read (%1)\r\n%2")
                               .arg(m_passwordFile, file.errorString())};
        const QByteArray line = file.readLine(MaxPasswordBytes);
        db.setPassword(QString::fromUtf8(line).remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
    }
    return {};
}

QString DatabaseUrl::openFailure(const QString &driverText) const
{
    if (!requiresTls())
        return driverText;
    const QString host = tcpHosts(m_host).constFirst();
    const int environmentPort = qEnvironmentVariableIntValue("PGPORT");
    const auto port = quint16(m_port > 0 ? m_port : environmentPort > 0 ? environmentPort : DefaultPort);
    if (const std::optional<bool> offered = offersTls(host, port); !offered || *offered)
        return driverText;
    return QStringLiteral(
               "The server %1 offers no encrypted connection, so the connection was refused before "
               "the password could travel in clear. Turn on TLS on the server, or, on a network "
               "where no one can listen in, allow a plain connection with sslmode=disable in the "
               "database URL.")
        .arg(host + QLatin1Char(':') + QString::number(port));
}
