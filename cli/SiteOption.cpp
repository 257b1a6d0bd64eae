#include "cli/SiteOption.h"

#include <QCommandLineParser>

namespace SiteOption {

namespace {

const QString Name = QStringLiteral("site");

} // namespace

void addForWriting(QCommandLineParser &parser)
{
    parser.addOption({Name,
                      QStringLiteral("The site that the host history, change events and findings are tagged\n"
                                     "with (default: this machine's host name); a mailed report names it."),
                      QStringLiteral("NAME")});
}

void addForReading(QCommandLineParser &parser)
{
    parser.addOption({Name, QStringLiteral("Only this site (default: every site)."), QStringLiteral("NAME")});
}

Result<QString> read(const QCommandLineParser &parser)
{
    if (!parser.isSet(Name))
        return QString();
    const QString site = parser.value(Name).trimmed();
    if (site.isEmpty())
        return Failure{QStringLiteral("--site takes a name.")};
    return site;
}

} // namespace SiteOption
