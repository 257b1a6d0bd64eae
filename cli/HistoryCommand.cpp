#include "cli/HistoryCommand.h"

#include "cli/CommandLine.h"
#include "cli/DataDirOption.h"
#include "cli/HistorySource.h"
#include "cli/JsonLines.h"
#include "cli/TableOrJsonOption.h"
#include "history/HistoryReader.h"
#include "history/HistoryTime.h"
#include "history/MacText.h"
#include "platform/TerminalText.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>

namespace {

void printTableLine(const QStringList &cells)
{
    QStringList printable;
    for (const QString &cell : cells)
        printable.append(TerminalText::printable(cell));
    std::printf("%s\n", printable.join(QLatin1Char('\t')).toUtf8().constData());
}

} // namespace

int runHistoryCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("history"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the IP/MAC pairs that completed scans have seen: first and last seen (UTC), the number\n"
        "of scans that saw the pair, and the latest host name, workgroup and vendor. One pair a line,\n"
        "fields separated by tabs; a locally administered MAC is marked \"(randomised)\"."));
    parser.addHelpOption();
    HistorySource::addOptions(parser);
    parser.addOptions({
        {QStringLiteral("ip"), QStringLiteral("Only the pairs of this IP address."), QStringLiteral("A")},
        {QStringLiteral("mac"),
         QStringLiteral("Only the pairs of this MAC address (00-0A-E4-20-53-55 or "
                        "00:0a:e4:20:53:55)."),
         QStringLiteral("M")},
    });
    TableOrJsonOption::addSince(parser, QStringLiteral("the pairs last seen"));
    TableOrJsonOption::addFormat(parser, QStringLiteral("a line"));
    if (const auto done = command.parse(parser, arguments))
        return *done;

    const Result<TableOrJsonOption::Format> format = TableOrJsonOption::readFormat(parser);
    if (!format)
        return command.usageError(format.error());
    HistoryReader::Filter filter;
    filter.ipAddress = parser.value(QStringLiteral("ip"));
    filter.macAddress = parser.value(QStringLiteral("mac"));
    const Result<std::optional<QDateTime>> since = TableOrJsonOption::readSince(parser);
    if (!since)
        return command.usageError(since.error());
    filter.since = *since;
    const Result<QString> folder = DataDirOption::read(parser);
    if (!folder)
        return command.failure(folder.error());
    const Result<HistorySource> source = HistorySource::read(parser, *folder);
    if (!source)
        return command.usageError(source.error());
    filter.site = source->site;

    const Result<QList<HistoryEntry>> entries = HistoryReader(source->store).entries(filter);
    if (!entries)
        return command.failure(entries.error());
    const bool json = *format == TableOrJsonOption::Format::Json;
    // The site is a column only where the lines come from more than one.
    const bool sited = std::any_of(entries->cbegin(), entries->cend(), [&](const HistoryEntry &entry) {
        return entry.site != entries->first().site;
    });
    const auto withSite = [sited](QStringList cells, const QString &siteCell) {
        if (sited)
            cells.prepend(siteCell);
        return cells;
    };
    if (!json && !entries->isEmpty())
        printTableLine(
            withSite({QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                      QStringLiteral("First seen"), QStringLiteral("Last seen"), QStringLiteral("Scans"),
                      QStringLiteral("Host Name"), QStringLiteral("Workgroup"), QStringLiteral("NIC Vendor")},
                     QStringLiteral("Site")));
    for (const HistoryEntry &entry : *entries) {
        if (json) {
            JsonLines::write(stdout, JsonLines::historyEntry(entry));
            continue;
        }
        printTableLine(
            withSite({entry.ipAddress, MacText::shown(entry.macAddress), HistoryTime::text(entry.firstSeen),
                      HistoryTime::text(entry.lastSeen), QString::number(entry.scanCount), entry.hostName,
                      entry.workgroup, entry.vendor},
                     entry.site));
    }
    std::fflush(stdout);
    return 0;
}
