#include "cli/WolCommand.h"

#include "cli/CommandLine.h"
#include "tools/WakeOnLan.h"

#include <QCommandLineParser>
#include <cstdio>

int runWolCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("wol"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends a Wake-on-LAN magic packet for every MAC address to 255.255.255.255 port 1001."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("MAC"),
                                 QStringLiteral("MAC address, 00-0A-E4-20-53-55 or 00:0a:e4:20:53:55."),
                                 QStringLiteral("MAC..."));
    parser.addOption({QStringLiteral("to"),
                      QStringLiteral("For tests: send to ADDR (IPv4) and PORT (default 1001) instead."),
                      QStringLiteral("ADDR[:PORT]")});
    if (const auto done = command.parse(parser, arguments, CommandLine::Positional::Allowed))
        return *done;
    const QStringList macs = parser.positionalArguments();
    if (macs.isEmpty())
        return command.usageError(QStringLiteral("give at least one MAC address."));
    WakeDestination destination;
    if (parser.isSet(QStringLiteral("to"))) {
        const std::optional<WakeDestination> given =
            WakeDestination::parse(parser.value(QStringLiteral("to")));
        if (!given)
            return command.usageError(
                QStringLiteral("--to takes an IPv4 address and perhaps :PORT, not \"%1\".")
                    .arg(parser.value(QStringLiteral("to"))));
        destination = *given;
    }

    const WakeReport report = WakeOnLan(destination).wake(macs);
    std::printf("%s\n", qPrintable(WakeOnLan::wording(report)));
    return report.skipped == 0 && report.failed == 0 ? 0 : CommandLine::FailureStatus;
}
