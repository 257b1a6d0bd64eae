#include "cli/TableOrJsonOption.h"

#include "history/HistoryTime.h"

namespace TableOrJsonOption {

namespace {
const QString FormatName = QStringLiteral("format");
const QString Since = QStringLiteral("since");
} // namespace

void addFormat(QCommandLineParser &parser, const QString &objectText)
{
    parser.addOption({FormatName,
                      QStringLiteral("table (default) or json: one JSON object %1.").arg(objectText),
                      QStringLiteral("table|json"), QStringLiteral("table")});
}

Result<Format> readFormat(const QCommandLineParser &parser)
{
    const QString format = parser.value(FormatName);
    if (format == QLatin1String("table"))
        return Format::Table;
    if (format == QLatin1String("json"))
        return Format::Json;
    return Failure{QStringLiteral("--format is table or json, not \"%1\".").arg(format)};
}

void addSince(QCommandLineParser &parser, const QString &whatText)
{
    parser.addOption(
        {Since,
         QStringLiteral("Only %1 at or after DATE (YYYY-MM-DD, or an ISO 8601 date and time; UTC).")
             .arg(whatText),
         QStringLiteral("DATE")});
}

Result<std::optional<QDateTime>> readSince(const QCommandLineParser &parser)
{
    if (!parser.isSet(Since))
        return std::optional<QDateTime>();
    const std::optional<QDateTime> since = HistoryTime::parseUserTime(parser.value(Since));
    if (!since) {
        return Failure{QStringLiteral("--since takes YYYY-MM-DD or an ISO 8601 date and time, not \"%1\".")
                           .arg(parser.value(Since))};
    }
    return since;
}

} // namespace TableOrJsonOption
