#include "cli/TableOrJsonOption.h"

#include "cli/CommandLine.h"
#include "history/HistoryTime.h"

namespace TableOrJsonOption {

namespace {
const QString Format = QStringLiteral("format");
const QString Since = QStringLiteral("since");
} // namespace

void addFormat(QCommandLineParser &parser, const QString &objectText)
{
    parser.addOption({Format, QStringLiteral("table (default) or json: one JSON object %1.").arg(objectText),
                      QStringLiteral("table|json"), QStringLiteral("table")});
}

std::variant<bool, int> readFormat(const QCommandLineParser &parser, const CommandLine &command)
{
    const QString format = parser.value(Format);
    if (format != QLatin1String("table") && format != QLatin1String("json"))
        return command.usageError(QStringLiteral("--format is table or json, not \"%1\".").arg(format));
    return format == QLatin1String("json");
}

void addSince(QCommandLineParser &parser, const QString &whatText)
{
    parser.addOption(
        {Since,
         QStringLiteral("Only %1 at or after DATE (YYYY-MM-DD, or an ISO 8601 date and time; UTC).")
             .arg(whatText),
         QStringLiteral("DATE")});
}

std::variant<std::optional<QDateTime>, int> readSince(const QCommandLineParser &parser,
                                                      const CommandLine &command)
{
    if (!parser.isSet(Since))
        return std::optional<QDateTime>();
    const std::optional<QDateTime> since = HistoryTime::parseUserTime(parser.value(Since));
    if (!since)
        return command.usageError(
            QStringLiteral("--since takes YYYY-MM-DD or an ISO 8601 date and time, not \"%1\".")
                .arg(parser.value(Since)));
    return since;
}

} // namespace TableOrJsonOption
