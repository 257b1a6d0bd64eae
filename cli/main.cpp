// netkestrel-cli: the engine of Netkestrel without a window, for scripts,
// cron jobs, servers and tests. Nothing is ever scanned unless asked for.
#include "cli/AckCommand.h"
#include "cli/AnalyzeCommand.h"
#include "cli/ArpScriptCommand.h"
#include "cli/ChangesCommand.h"
#include "cli/CommandLine.h"
#include "cli/DbCommand.h"
#include "cli/ExportCommand.h"
#include "cli/HistoryCommand.h"
#include "cli/MessageCommand.h"
#include "cli/PasswordArguments.h"
#include "cli/PingCommand.h"
#include "cli/RecordsCommand.h"
#include "cli/ReportCommand.h"
#include "cli/ScanCommand.h"
#include "cli/ShutdownCommand.h"
#include "cli/WatchCommand.h"
#include "cli/WolCommand.h"
#include "platform/PhaseTiming.h"
#include "platform/ProcessMemory.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

const char Usage[] =
    "Usage: netkestrel-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  scan     scan an address range and list the hosts that answer\n"
    "           (netkestrel-cli scan --from 198.18.7.1 --to 198.18.7.254,\n"
    "           or netkestrel-cli scan --range 198.18.7.0/24)\n"
    "  analyze  scan a range (or read a scan result file) and list the findings against\n"
    "           the records; exit status 3 when there are findings, 0 when none\n"
    "           (netkestrel-cli analyze --from 198.18.7.1 --to 198.18.7.254)\n"
    "  export   write the findings of a scan result file as a text or an HTML file,\n"
    "           or its rows as a workbook\n"
    "           (netkestrel-cli export --analysis html --scan-file F.kst --output F.html,\n"
    "           or netkestrel-cli export --scan-list F.kst --output F.xlsx)\n"
    "  watch    scan and analyse every N minutes until stopped, printing the findings\n"
    "           (netkestrel-cli watch --from 198.18.7.1 --to 198.18.7.254 --every 15),\n"
    "           with --report mailing the daily report at the hour set for it\n"
    "  history  list the IP/MAC pairs that completed scans have seen: first and last\n"
    "           seen, how many scans, the latest names and vendor\n"
    "           (netkestrel-cli history --mac 00-0A-E4-20-53-55)\n"
    "  changes  list the change events of the completed scans: new stations, MACs that\n"
    "           changed, pairs back after an absence, NetBIOS replies naming another MAC\n"
    "           (netkestrel-cli changes --since 2026-12-01 --format json)\n"
    "  report   mail the report of the findings of a scan result file (or a scan) now\n"
    "           (netkestrel-cli report --now --scan-file F.kst --recipient admin@example.net)\n"
    "  records  list, add, modify, delete and find the preset IP/MAC records; add the\n"
    "           rows of a scan result file to them; import them from a workbook and\n"
    "           export them to one\n"
    "           (netkestrel-cli records list --data-dir DIR)\n"
    "  ack      acknowledge a finding (an IP/MAC pair) with a note and an optional expiry,\n"
    "           list the acknowledgements and withdraw them\n"
    "           (netkestrel-cli ack add --ip 198.18.7.10 --mac 00-0A-E4-20-53-55 --note \"lab printer\")\n"
    "  db       back up, recover or compact the record database\n"
    "           (netkestrel-cli db backup --data-dir DIR)\n"
    "  ping     send one ICMP echo request to a host\n"
    "           (netkestrel-cli ping 198.18.7.2 --timeout-ms 500)\n"
    "  wol      send a Wake-on-LAN magic packet for each MAC address\n"
    "           (netkestrel-cli wol 00-0A-E4-20-53-55)\n"
    "  arp-script  write the IP-MAC binding batch file of a scan result file or of the\n"
    "           records, and with --apply bind the addresses on this machine\n"
    "           (netkestrel-cli arp-script --from-scan F.kst --apply)\n"
    "  message  send a WinPopup message to a computer through Samba's smbclient\n"
    "           (netkestrel-cli message 198.18.7.10 \"Back in five minutes\")\n"
    "  shutdown ask a computer to shut down, restart or abort through Samba's net\n"
    "           (netkestrel-cli shutdown 198.18.7.10 --delay 30 --reboot -U admin)\n"
    "\n"
    "netkestrel-cli COMMAND --help describes the options of a command.\n";

struct Command
{
    const char *name;
    int (*run)(const QStringList &arguments);
};

const Command Commands[] = {
    {"scan", runScanCommand},       {"analyze", runAnalyzeCommand},
    {"export", runExportCommand},   {"watch", runWatchCommand},
    {"report", runReportCommand},   {"records", runRecordsCommand},
    {"db", runDbCommand},           {"ping", runPingCommand},
    {"wol", runWolCommand},         {"arp-script", runArpScriptCommand},
    {"message", runMessageCommand}, {"shutdown", runShutdownCommand},
    {"history", runHistoryCommand}, {"changes", runChangesCommand},
    {"ack", runAckCommand},
};

} // namespace

int main(int argc, char *argv[])
{
    PhaseTiming::mark("main");
    ProcessMemory::keepFreedMemoryForReuse();
    PasswordArguments given(argc, argv);
    QCoreApplication app(given.argc(), given.argv());
    QCoreApplication::setApplicationName(QStringLiteral("Netkestrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NETKESTREL_VERSION));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    // Without a command the usage is an answer to bad usage, on standard
    // error; asked for, it is the output.
    if (arguments.isEmpty()) {
        std::fputs(Usage, stderr);
        return CommandLine::UsageStatus;
    }
    if (arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h") ||
        arguments.first() == QLatin1String("help")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (arguments.first() == QLatin1String("--version")) {
        std::printf("netkestrel-cli %s\n", NETKESTREL_VERSION);
        return 0;
    }
    const QString name = arguments.takeFirst();
    for (const Command &command : Commands) {
        if (name == QLatin1String(command.name))
            return command.run(arguments);
    }
    std::fprintf(stderr, "netkestrel-cli: unknown command \"%s\".\n\n%s", qPrintable(name), Usage);
    return CommandLine::UsageStatus;
}
