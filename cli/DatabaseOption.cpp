#include "DatabaseOption.h"

#include <QCommandLineParser>

namespace DatabaseOption {

const char UsageText[] =
    "--database URL keeps the records on a PostgreSQL server instead of kestrel.mdb in the data\n"
    "folder: postgresql://USER@HOST:PORT/DBNAME, or postgresql://USER@/DBNAME?host=/SOCKET/FOLDER.\n"
    "The password comes from PGPASSFILE or ~/.pgpass, or from the first line of the file that\n"
    "--password-file FILE names; never from the command line.\n";

void addTo(QCommandLineParser &parser)
{
    parser.addOption(
        {QStringLiteral("database"),
         QStringLiteral("The record store on a PostgreSQL server: postgresql://USER@HOST:PORT/DB."),
         QStringLiteral("URL")});
    parser.addOption({QStringLiteral("password-file"),
                      QStringLiteral("A file whose first line is the server's password."),
                      QStringLiteral("FILE")});
}

Result<std::optional<DatabaseUrl>> read(const QCommandLineParser &parser)
{
    const bool named = parser.isSet(QStringLiteral("database"));
    if (!named) {
        if (parser.isSet(QStringLiteral("password-file")))
            return Failure{QStringLiteral("--password-file goes with --database.")};
        return std::optional<DatabaseUrl>();
    }
    Result<DatabaseUrl> url = DatabaseUrl::parse(parser.value(QStringLiteral("database")),
                                                 parser.value(QStringLiteral("password-file")));
    if (!url)
        return Failure{url.error()};
    return std::optional<DatabaseUrl>(*url);
}

} // namespace DatabaseOption
