#include "ChangesCommand.h"

#include "ChangeEvent.h"
#include "CommandLine.h"
#include "DataFolder.h"
#include "HistoryReader.h"
#include "HistoryTime.h"
#include "JsonLines.h"
#include "RecordStore.h"
#include "TerminalText.h"

#include <QCommandLineParser>
#include <cstdio>

int runChangesCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("changes"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the change events of the completed scans, oldest first: time (UTC), a tab, the kind, a tab,\n"
        "the event. Kinds: new-station, mac-changed, returned, nbstat-mac-mismatch, randomised-mac."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("data-dir"), QStringLiteral("The data folder of the record database."),
         QStringLiteral("DIR")},
        {QStringLiteral("since"),
         QStringLiteral("Only the events at or after DATE (YYYY-MM-DD, or an ISO 8601 date and time; UTC)."),
         QStringLiteral("DATE")},
        {QStringLiteral("format"), QStringLiteral("table (default) or json: one JSON object a line."),
         QStringLiteral("table|json"), QStringLiteral("table")},
    });
    if (const auto done = command.parse(parser, arguments))
        return *done;

    const QString format = parser.value(QStringLiteral("format"));
    if (format != QLatin1String("table") && format != QLatin1String("json"))
        return command.usageError(QStringLiteral("--format is table or json, not \"%1\".").arg(format));
    std::optional<QDateTime> since;
    if (parser.isSet(QStringLiteral("since"))) {
        since = HistoryTime::parseUserTime(parser.value(QStringLiteral("since")));
        if (!since)
            return command.usageError(QStringLiteral("--since takes YYYY-MM-DD or an ISO 8601 date and time, "
                                                     "not \"%1\".")
                                          .arg(parser.value(QStringLiteral("since"))));
    }

    const RecordStore store(DataFolder::resolve(parser.value(QStringLiteral("data-dir"))));
    const Result<QList<ChangeEvent>> events = HistoryReader(store).changes(since);
    if (!events)
        return command.failure(events.error());
    for (const ChangeEvent &event : *events) {
        if (format == QLatin1String("json"))
            JsonLines::write(stdout, JsonLines::changeEvent(event));
        else
            std::printf("%s\t%s\t%s\n", qPrintable(HistoryTime::text(event.time)),
                        qPrintable(ChangeEvent::kindWord(event.kind)),
                        TerminalText::printable(event.text()).toUtf8().constData());
    }
    std::fflush(stdout);
    return 0;
}
