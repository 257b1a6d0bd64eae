#include "HistoryCommand.h"

#include "CommandLine.h"
#include "DataFolder.h"
#include "HistoryReader.h"
#include "HistoryTime.h"
#include "JsonLines.h"
#include "MacText.h"
#include "RecordStore.h"
#include "TerminalText.h"

#include <QCommandLineParser>
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
    parser.addOptions({
        {QStringLiteral("data-dir"), QStringLiteral("The data folder of the record database."),
         QStringLiteral("DIR")},
        {QStringLiteral("ip"), QStringLiteral("Only the pairs of this IP address."), QStringLiteral("A")},
        {QStringLiteral("mac"),
         QStringLiteral("Only the pairs of this MAC address (00-0A-E4-20-53-55 or "
                        "00:0a:e4:20:53:55)."),
         QStringLiteral("M")},
        {QStringLiteral("since"),
         QStringLiteral("Only the pairs last seen at or after DATE (YYYY-MM-DD, or an ISO 8601 date and "
                        "time; UTC)."),
         QStringLiteral("DATE")},
        {QStringLiteral("format"), QStringLiteral("table (default) or json: one JSON object a line."),
         QStringLiteral("table|json"), QStringLiteral("table")},
    });
    if (const auto done = command.parse(parser, arguments))
        return *done;

    const QString format = parser.value(QStringLiteral("format"));
    if (format != QLatin1String("table") && format != QLatin1String("json"))
        return command.usageError(QStringLiteral("--format is table or json, not \"%1\".").arg(format));
    HistoryReader::Filter filter;
    filter.ipAddress = parser.value(QStringLiteral("ip"));
    filter.macAddress = parser.value(QStringLiteral("mac"));
    if (parser.isSet(QStringLiteral("since"))) {
        filter.since = HistoryTime::parseUserTime(parser.value(QStringLiteral("since")));
        if (!filter.since)
            return command.usageError(QStringLiteral("--since takes YYYY-MM-DD or an ISO 8601 date and time, "
                                                     "not \"%1\".")
                                          .arg(parser.value(QStringLiteral("since"))));
    }

    const RecordStore store(DataFolder::resolve(parser.value(QStringLiteral("data-dir"))));
    const Result<QList<HistoryEntry>> entries = HistoryReader(store).entries(filter);
    if (!entries)
        return command.failure(entries.error());
    const bool json = format == QLatin1String("json");
    if (!json && !entries->isEmpty())
        printTableLine({QStringLiteral("IP Address"), QStringLiteral("MAC Address"),
                        QStringLiteral("First seen"), QStringLiteral("Last seen"), QStringLiteral("Scans"),
                        QStringLiteral("Host Name"), QStringLiteral("Workgroup"),
                        QStringLiteral("NIC Vendor")});
    for (const HistoryEntry &entry : *entries) {
        if (json) {
            JsonLines::write(stdout, JsonLines::historyEntry(entry));
            continue;
        }
        printTableLine({entry.ipAddress, MacText::shown(entry.macAddress), HistoryTime::text(entry.firstSeen),
                        HistoryTime::text(entry.lastSeen), QString::number(entry.scanCount), entry.hostName,
                        entry.workgroup, entry.vendor});
    }
    std::fflush(stdout);
    return 0;
}
