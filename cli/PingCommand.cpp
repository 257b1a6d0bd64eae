#include "cli/PingCommand.h"

#include "cli/CommandLine.h"
#include "scan/PingHost.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

// The ping tool's time-out.
constexpr int DefaultTimeoutMs = 500;
constexpr int MaxTimeoutMs = 60000;

} // namespace

int runPingCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("ping"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends one ICMP echo to ADDRESS and tells whether it answered."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4 address, dotted."));
    parser.addOption({QStringLiteral("timeout-ms"),
                      QStringLiteral("How long to wait for the reply (default %1).").arg(DefaultTimeoutMs),
                      QStringLiteral("N")});
    if (const auto done = command.parse(parser, arguments, CommandLine::Positional::Allowed))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return command.usageError(QStringLiteral("give exactly one address."));
    int timeoutMs = DefaultTimeoutMs;
    if (parser.isSet(QStringLiteral("timeout-ms"))) {
        bool ok = false;
        timeoutMs = parser.value(QStringLiteral("timeout-ms")).toInt(&ok);
        if (!ok || timeoutMs < 1 || timeoutMs > MaxTimeoutMs)
            return command.usageError(
                QStringLiteral("--timeout-ms takes a whole number from 1 to %1, not \"%2\".")
                    .arg(MaxTimeoutMs)
                    .arg(parser.value(QStringLiteral("timeout-ms"))));
    }

    const QString address = positional.first();
    const PingOutcome outcome = pingOnce(address, timeoutMs);
    // The echo operation's 0 means both "under 1 ms" and "nothing sent"; the
    // outcome tells them apart, and nothing sent is no reply.
    if (outcome.kind == PingOutcome::Kind::Reply) {
        if (outcome.roundTripMs == 0)
            std::printf("Reply from [%s] Time < 1 ms.\n", qPrintable(address));
        else
            std::printf("Reply from [%s] Time %d ms.\n", qPrintable(address), outcome.roundTripMs);
        return 0;
    }
    std::printf("Ping[%s] Request timed out.\n", qPrintable(address));
    if (outcome.kind == PingOutcome::Kind::NotSent && !outcome.badAddress)
        std::fputs("netkestrel-cli ping: no ICMP socket could be opened (a ping socket needs the group in "
                   "net.ipv4.ping_group_range, a raw socket needs CAP_NET_RAW).\n",
                   stderr);
    return 1;
}
