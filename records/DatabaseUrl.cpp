#include "DatabaseUrl.h"

#include <QFile>
#include <QUrl>
#include <QUrlQuery>

namespace {

Failure invalid(const QString &text, const QString &why)
{
    return Failure{QStringLiteral("\"%1\" is not a database URL: %2").arg(text, why)};
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
        } else {
            return invalid(text, QStringLiteral("the parameter \"%1\" is not known.").arg(key));
        }
    }
    if (parsed.m_database.isEmpty() || parsed.m_database.contains(QLatin1Char('/')))
        return invalid(text, QStringLiteral("it names no database."));
    return parsed;
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
    if (socket)
        text += QStringLiteral("?host=") + m_host;
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
    if (!m_passwordFile.isEmpty()) {
        QFile file(m_passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return Failure{QStringLiteral("The password file cannot be read (%1)\r\n%2")
                               .arg(m_passwordFile, file.errorString())};
        const QByteArray line = file.readLine();
        db.setPassword(QString::fromUtf8(line).remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
    }
    return {};
}
