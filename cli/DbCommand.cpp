#include "DbCommand.h"

#include "CommandLine.h"
#include "ConsolePrompt.h"
#include "DataFolder.h"
#include "DatabaseMaintenance.h"
#include "Prompt.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <cstdio>

namespace {

const char Usage[] =
    "Usage: netkestrel-cli db COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  backup               copy the record database to yyyy-mm-dd_hh-mm-ss_Backup.KSBK in the\n"
    "                       data folder\n"
    "  recover FILE --yes   replace the record database with a backup; --yes answers the\n"
    "                       question that the current data will be replaced, and is required\n"
    "  compact              rebuild the record database to reclaim space\n"
    "\n"
    "Every command takes --data-dir DIR (default: the user's data folder for Netkestrel).\n"
    "\n"
    "Messages go to standard error. Exit status: 0 done, 1 refused or failed, 2 bad usage.\n";

int usageError(const QString &command, const QString &message)
{
    return CommandLine(QStringLiteral("db ") + command).usageError(message);
}

void notice(const QString &text)
{
    ConsolePrompt::print(QLatin1String(Prompt::NoticeTitle), text);
}

int failure(const QString &message)
{
    ConsolePrompt::print(QLatin1String(Prompt::ErrorTitle), message);
    return CommandLine::FailureStatus;
}

} // namespace

int runDbCommand(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return CommandLine(QStringLiteral("db")).usageError(QStringLiteral("a command is missing."));
    const QString command = arguments.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    const bool isBackup = command == QLatin1String("backup");
    const bool isRecover = command == QLatin1String("recover");
    const bool isCompact = command == QLatin1String("compact");
    if (!isBackup && !isRecover && !isCompact)
        return CommandLine(QStringLiteral("db"))
            .usageError(QStringLiteral("unknown command \"%1\".").arg(command));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")});
    if (isRecover)
        parser.addOption({QStringLiteral("yes"), QStringLiteral("Replace the current data.")});
    const CommandLine::Positional positional = isRecover ? CommandLine::Positional::Allowed
                                                         : CommandLine::Positional::Refused;
    if (const auto done =
            CommandLine(QStringLiteral("db ") + command).parse(parser, arguments.mid(1), positional, Usage))
        return *done;
    if (isRecover) {
        if (parser.positionalArguments().size() != 1)
            return usageError(command, QStringLiteral("recover takes one backup file."));
        // Naming --yes answers the question the window asks; without it a
        // script could not be told what it is about to lose.
        if (!parser.isSet(QStringLiteral("yes")))
            return usageError(command, QStringLiteral("%1 Give --yes to replace it.")
                                           .arg(QLatin1String(DatabaseMaintenance::RecoveryQuestionText)));
    }

    const QString folder = DataFolder::resolve(parser.value(QStringLiteral("data-dir")));
    if (const Result<> made = DataFolder::ensureExists(folder); !made)
        return failure(made.error());
    const DatabaseMaintenance maintenance(folder);

    if (isBackup) {
        const Result<QString> path = maintenance.backup(QDateTime::currentDateTime());
        if (!path)
            return failure(path.error());
        notice(QLatin1String(DatabaseMaintenance::BackupDoneText) + QDir::toNativeSeparators(*path));
        return 0;
    }
    if (isRecover) {
        if (const Result<> done = maintenance.recover(parser.positionalArguments().first()); !done)
            return failure(done.error());
        notice(QLatin1String(DatabaseMaintenance::RecoveryDoneText));
        return 0;
    }
    if (const Result<> done = maintenance.compact(); !done)
        return failure(done.error());
    notice(QLatin1String(DatabaseMaintenance::CompactDoneText));
    return 0;
}
