#include "cli/DatabaseOption.h"

#include <QCommandLineParser>

namespace DatabaseOption {

const char UsageText[] =
    "--database URL keeps the records on a PostgreSQL server instead of kestrel.mdb in the data\n"
    "folder: postgresql://USER@HOST:PORT/DBNAME, or postgresql://USER@/DBNAME?host=/SOCKET/FOLDER.\n"
    "The password comes from PGPASSFILE or ~/.pgpass, or from the first line of the file that\n"
    "--password-file FILE names; never from the command line. Over TCP the connection must be\n"
    "encrypted (sslmode=require unless the URL names another sslmode), so a server without TLS\n"
    "is refused before the password is sent; sslmode=disable allows a plain connection. The URL\n"
    "also takes sslrootcert, sslcert, sslkey and sslcrl (readable files), for example\n"
    "?sslmode=verify-full&sslrootcert=/etc/ssl/db-ca.crt.\n";

void addTo(QCommandLineParser &parser, const char *passwordOption)
{
    parser.addOption(
        {QStringLiteral("database"),
         QStringLiteral("The record store on a PostgreSQL server: postgresql://USER@HOST:PORT/DB, "
                        "encrypted over TCP unless ?sslmode=disable."),
         QStringLiteral("URL")});
    parser.addOption({QLatin1String(passwordOption),
                      QStringLiteral("A file whose first line is the server's password."),
                      QStringLiteral("FILE")});
}

Result<std::optional<DatabaseUrl>> read(const QCommandLineParser &parser, const char *passwordOption)
{
    const bool named = parser.isSet(QStringLiteral("database"));
    if (!named) {
        if (parser.isSet(QLatin1String(passwordOption)))
            return Failure{QStringLiteral("--%1 goes with --database.").arg(QLatin1String(passwordOption))};
        return std::optional<DatabaseUrl>();
    }
    Result<DatabaseUrl> url = DatabaseUrl::parse(parser.value(QStringLiteral("database")),
                                                 parser.value(QLatin1String(passwordOption)));
    if (!url)
        return Failure{url.error()};
    return std::optional<DatabaseUrl>(*url);
}

} // namespace DatabaseOption
