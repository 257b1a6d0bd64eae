#include "cli/HistorySource.h"

#include "cli/DatabaseOption.h"
#include "cli/SiteOption.h"

#include <QCommandLineParser>

void HistorySource::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder of the record database."),
                      QStringLiteral("DIR")});
    DatabaseOption::addTo(parser);
    SiteOption::addForReading(parser);
}

Result<HistorySource> HistorySource::read(const QCommandLineParser &parser, const QString &dataFolder)
{
    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser);
    if (!server)
        return Failure{server.error()};
    const Result<QString> site = SiteOption::read(parser);
    if (!site)
        return Failure{site.error()};
    return HistorySource{RecordStore(dataFolder, *server), *site};
}
