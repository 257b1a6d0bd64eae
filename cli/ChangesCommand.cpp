#include "cli/ChangesCommand.h"

#include "cli/CommandLine.h"
#include "cli/DataDirOption.h"
#include "cli/HistorySource.h"
#include "cli/JsonLines.h"
#include "cli/TableOrJsonOption.h"
#include "history/ChangeEvent.h"
#include "history/HistoryReader.h"
#include "history/HistoryTime.h"
#include "platform/TerminalText.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>

int runChangesCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("changes"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the change events of the completed scans, oldest first: time (UTC), a tab, the kind, a tab,\n"
        "the event. Kinds: new-station, mac-changed, returned, nbstat-mac-mismatch, randomised-mac,\n"
        "ip-conflict.\n"
        "When the events come from more than one site, the site comes first, then a tab."));
    parser.addHelpOption();
    HistorySource::addOptions(parser);
    TableOrJsonOption::addSince(parser, QStringLiteral("the events"));
    TableOrJsonOption::addFormat(parser, QStringLiteral("a line"));
    if (const auto done = command.parse(parser, arguments))
        return *done;

    const Result<TableOrJsonOption::Format> format = TableOrJsonOption::readFormat(parser);
    if (!format)
        return command.usageError(format.error());
    const Result<std::optional<QDateTime>> since = TableOrJsonOption::readSince(parser);
    if (!since)
        return command.usageError(since.error());
    const Result<QString> folder = DataDirOption::read(parser);
    if (!folder)
        return command.failure(folder.error());
    const Result<HistorySource> source = HistorySource::read(parser, *folder);
    if (!source)
        return command.usageError(source.error());

    const Result<QList<ChangeEvent>> events = HistoryReader(source->store).changes(*since, source->site);
    if (!events)
        return command.failure(events.error());
    const bool sited = std::any_of(events->cbegin(), events->cend(), [&](const ChangeEvent &event) {
        return event.site != events->first().site;
    });
    for (const ChangeEvent &event : *events) {
        if (*format == TableOrJsonOption::Format::Json) {
            JsonLines::write(stdout, JsonLines::changeEvent(event));
            continue;
        }
        if (sited)
            std::printf("%s\t", TerminalText::printable(event.site).toUtf8().constData());
        std::printf("%s\t%s\t%s\n", qPrintable(HistoryTime::text(event.time)),
                    qPrintable(ChangeEvent::kindWord(event.kind)),
                    TerminalText::printable(event.text()).toUtf8().constData());
    }
    std::fflush(stdout);
    return 0;
}
