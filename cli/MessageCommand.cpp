#include "cli/MessageCommand.h"

#include "cli/CommandLine.h"
#include "platform/ProcessProgramRunner.h"
#include "tools/MessageSender.h"

#include <QCommandLineParser>
#include <cstdio>

int runMessageCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("message"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends TEXT to one computer as a WinPopup message through Samba's smbclient."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("TARGET"), QStringLiteral("IPv4 address or NetBIOS name."));
    parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("The message (may be empty)."));
    if (const auto done = command.parse(parser, arguments, CommandLine::Positional::Allowed))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return command.usageError(QStringLiteral("give a target and one message text."));
    if (positional.at(0).trimmed().isEmpty())
        return command.failure(QLatin1String(MessageSender::EmptyDestinationText));

    ProcessProgramRunner runner;
    const SendOutcome result = MessageSender(runner).send(positional.at(0), positional.at(1));
    if (result.senderMissing)
        return command.failure(MessageSender::senderMissingText());
    std::printf("%s\n", qPrintable(MessageSender::wording(result.status)));
    return result.status == MessageSender::Delivered ? 0 : CommandLine::FailureStatus;
}
