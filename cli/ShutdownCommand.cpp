#include "cli/ShutdownCommand.h"

#include "cli/CommandLine.h"
#include "cli/PasswordFile.h"
#include "platform/ProcessProgramRunner.h"
#include "platform/SettingsSection.h"
#include "tools/RemoteShutdown.h"
#include "tools/ShutdownOptions.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

// The wordings carry CR LF line breaks; a terminal wants LF.
void printWording(QString text)
{
    std::printf("%s\n", qPrintable(text.replace(QLatin1String("\r\n"), QLatin1String("\n"))));
}

// The password after "%" in -U, else from --password-file, else from PASSWD.
// Returns the exit status when the command cannot go on.
std::optional<int> readAccount(const QCommandLineParser &parser, const CommandLine &command,
                               ShutdownAccount &account)
{
    const QString userOption = parser.value(QStringLiteral("U"));
    const qsizetype percent = userOption.indexOf(QLatin1Char('%'));
    account.user = percent >= 0 ? userOption.left(percent) : userOption;
    if (!parser.isSet(QStringLiteral("password-file"))) {
        account.password = percent >= 0 ? userOption.mid(percent + 1) : qEnvironmentVariable("PASSWD");
        return std::nullopt;
    }
    if (account.user.isEmpty())
        return command.usageError(QStringLiteral("--password-file needs the account: -U user."));
    if (percent >= 0)
        return command.usageError(
            QStringLiteral("give the password either after % or with --password-file, not both."));
    const QString path = parser.value(QStringLiteral("password-file"));
    const Result<PasswordFile> file = PasswordFile::read(path);
    if (!file)
        return command.failure(file.error());
    if (file->readableByOthers)
        std::fprintf(stderr,
                     "netkestrel-cli shutdown: warning: other users can read the password file \"%s\" "
                     "(chmod 600 makes it yours alone).\n",
                     qPrintable(path));
    account.password = file->password;
    return std::nullopt;
}

} // namespace

int runShutdownCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("shutdown"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Asks TARGET to shut down (or aborts a pending shutdown) through Samba's net rpc shutdown. "
        "Options not given take the stored defaults of the window's Remote Shutdown Option."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("TARGET"),
                                 QStringLiteral("IPv4 address or computer name (\\\\NAME too)."));
    parser.addOption({QStringLiteral("delay"),
                      QStringLiteral("Seconds until the shutdown, 0 to 99 (0 goes as 1, the shortest net "
                                     "can ask for)."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("message"), QStringLiteral("Text shown on the target (127 characters)."),
                      QStringLiteral("T")});
    parser.addOption(
        {QStringLiteral("force"), QStringLiteral("Close applications without saving their data.")});
    parser.addOption({QStringLiteral("reboot"), QStringLiteral("Restart after the shutdown.")});
    parser.addOption({QStringLiteral("abort"), QStringLiteral("Abort a pending shutdown instead.")});
    parser.addOption({QStringLiteral("U"),
                      QStringLiteral("Account on the target; without %pass the password is read from "
                                     "--password-file, else from the environment variable PASSWD. A %pass "
                                     "given here is overwritten with X in the process list at once, but "
                                     "can be seen there for a moment."),
                      QStringLiteral("user[%pass]")});
    parser.addOption({QStringLiteral("password-file"),
                      QStringLiteral("Read the password from the first line of FILE (at most %1 bytes).")
                          .arg(PasswordFile::MaxBytes),
                      QStringLiteral("FILE")});
    if (const auto done = command.parse(parser, arguments, CommandLine::Positional::Allowed))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return command.usageError(QStringLiteral("give exactly one target."));
    const QString target = positional.first();
    if (target.trimmed().isEmpty())
        return command.failure(RemoteShutdown::noTargetText(parser.isSet(QStringLiteral("abort"))));
    ShutdownAccount account;
    if (const auto done = readAccount(parser, command, account))
        return *done;

    ProcessProgramRunner runner;
    const RemoteShutdown shutdown(runner);
    ShutdownOutcome result;
    QString sent;
    QString failed;
    if (parser.isSet(QStringLiteral("abort"))) {
        result = shutdown.abort(target, account);
        sent = RemoteShutdown::abortSentText(target);
        failed = RemoteShutdown::abortFailedText(target);
    } else {
        const ShutdownOptions stored = ShutdownOptions::load(ShutdownOptions::section());
        const QString delayText =
            parser.isSet(QStringLiteral("delay")) ? parser.value(QStringLiteral("delay")) : stored.delay;
        const std::optional<int> delay = RemoteShutdown::parseDelay(delayText);
        if (!delay)
            return parser.isSet(QStringLiteral("delay"))
                       ? command.usageError(QLatin1String(RemoteShutdown::DelayRefusedText))
                       : command.failure(QLatin1String(RemoteShutdown::DelayRefusedText));
        const QString message = parser.isSet(QStringLiteral("message"))
                                    ? parser.value(QStringLiteral("message"))
                                    : stored.message;
        result = shutdown.shutdown({target.trimmed(), message.left(ShutdownOptions::MaxMessageLength), *delay,
                                    parser.isSet(QStringLiteral("force")) || stored.force,
                                    parser.isSet(QStringLiteral("reboot")) || stored.reboot},
                                   account);
        sent = RemoteShutdown::shutdownSentText(target, delayText);
        failed = RemoteShutdown::shutdownFailedText(target);
    }
    if (result.clientMissing)
        return command.failure(RemoteShutdown::clientMissingText());
    printWording(result.succeeded ? sent : failed);
    if (!result.succeeded && !result.reason.isEmpty())
        std::fprintf(stderr, "netkestrel-cli shutdown: net says %s\n", qPrintable(result.reason));
    return result.succeeded ? 0 : CommandLine::FailureStatus;
}
