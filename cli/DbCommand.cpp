#include "cli/DbCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsolePrompt.h"
#include "cli/DataDirOption.h"
#include "cli/DatabaseOption.h"
#include "platform/DataFolder.h"
#include "platform/Prompt.h"
#include "records/DatabaseMaintenance.h"
#include "records/RecordStoreCopy.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
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
    "  compact              rebuild the record database to reclaim space (on a server: its\n"
    "                       VACUUM ANALYZE)\n"
    "  copy --from STORE --to STORE [--replace]\n"
    "                       copy the records (with their IDs), the analysis options, the host\n"
    "                       history, the change events and the acknowledgements from one store\n"
    "                       to another in one transaction; a STORE is a database URL or a\n"
    "                       database file. A target that holds any of them is refused unless\n"
    "                       --replace is given, which replaces them.\n"
    "\n"
    "Every command takes --data-dir DIR (default: the user's data folder for Netkestrel).\n"
    "backup, recover and compact take --database URL: the records on a PostgreSQL server\n"
    "instead of kestrel.mdb; the backup is a database file in the data folder all the same.\n"
    "URL: postgresql://USER@HOST:PORT/DBNAME, or postgresql://USER@/DBNAME?host=/SOCKET/FOLDER.\n"
    "The password comes from PGPASSFILE or ~/.pgpass, or from the first line of the file that\n"
    "--password-file FILE names; never from the command line. Over TCP the connection must be\n"
    "encrypted (sslmode=require unless the URL names another sslmode), so a server without TLS\n"
    "is refused before the password is sent; sslmode=disable allows a plain connection. The URL\n"
    "also takes sslrootcert, sslcert, sslkey and sslcrl (readable files), for example\n"
    "?sslmode=verify-full&sslrootcert=/etc/ssl/db-ca.crt.\n"
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

bool isUrl(const QString &store)
{
    return store.startsWith(QLatin1String("postgresql:")) || store.startsWith(QLatin1String("postgres:"));
}

// A store of db copy: a server's URL or a database file.
Result<RecordStore> storeFor(const QString &given, const QString &passwordFile)
{
    if (!isUrl(given))
        return RecordStore::onFile(given);
    Result<DatabaseUrl> url = DatabaseUrl::parse(given, passwordFile);
    if (!url)
        return Failure{url.error()};
    return RecordStore(DataFolder::resolve(QString()), *url);
}

int runCopy(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("from"), QStringLiteral("The store to copy."), QStringLiteral("STORE")});
    parser.addOption({QStringLiteral("to"), QStringLiteral("The store to write."), QStringLiteral("STORE")});
    parser.addOption({QStringLiteral("replace"), QStringLiteral("Replace the records the target holds.")});
    parser.addOption({QStringLiteral("password-file"),
                      QStringLiteral("A file whose first line is the servers' password."),
                      QStringLiteral("FILE")});
    if (const auto done = CommandLine(QStringLiteral("db copy"))
                              .parse(parser, arguments, CommandLine::Positional::Refused, Usage))
        return *done;
    const QString fromText = parser.value(QStringLiteral("from"));
    const QString toText = parser.value(QStringLiteral("to"));
    if (fromText.isEmpty() || toText.isEmpty())
        return usageError(QStringLiteral("copy"), QStringLiteral("give --from and --to."));
    if (fromText == toText)
        return usageError(QStringLiteral("copy"), QStringLiteral("--from and --to name the same store."));
    const QString passwordFile = parser.value(QStringLiteral("password-file"));
    const Result<RecordStore> from = storeFor(fromText, passwordFile);
    const Result<RecordStore> to = storeFor(toText, passwordFile);
    if (!from || !to)
        return usageError(QStringLiteral("copy"), from ? to.error() : from.error());
    // A file to copy from must be there: opening would make an empty one.
    if (!isUrl(fromText) && !QFileInfo(fromText).isFile())
        return failure(QStringLiteral("The records cannot be copied (%1)\r\nThe file does not exist.")
                           .arg(QDir::toNativeSeparators(fromText)));
    if (!parser.isSet(QStringLiteral("replace"))) {
        const Result<int> held = RecordStoreCopy::recordCount(*to);
        if (!held)
            return failure(held.error());
        if (*held > 0)
            return failure(QStringLiteral("The records cannot be copied (%1)\r\nThe target already holds %2 "
                                          "records. Give --replace to replace them.")
                               .arg(to->location())
                               .arg(*held));
        const Result<int> kept = RecordStoreCopy::keptRowCount(*to);
        if (!kept)
            return failure(kept.error());
        if (*kept > 0)
            return failure(
                QStringLiteral("The records cannot be copied (%1)\r\nThe target already holds a host "
                               "history or acknowledgements. Give --replace to replace them.")
                    .arg(to->location()));
    }
    const Result<RecordStoreCopy::Counts> copied = RecordStoreCopy::copyEverything(*from, *to);
    if (!copied)
        return failure(copied.error());
    notice(
        QStringLiteral("Copied %1 records, %2 history pairs, %3 change events and %4 acknowledgements to %5.")
            .arg(copied->records)
            .arg(copied->history)
            .arg(copied->changes)
            .arg(copied->acknowledgements)
            .arg(to->location()));
    return 0;
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
    if (command == QLatin1String("copy"))
        return runCopy(arguments.mid(1));
    if (!isBackup && !isRecover && !isCompact)
        return CommandLine(QStringLiteral("db"))
            .usageError(QStringLiteral("unknown command \"%1\".").arg(command));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")});
    DatabaseOption::addTo(parser);
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

    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser);
    if (!server)
        return usageError(command, server.error());

    const Result<QString> folder = DataDirOption::read(parser);
    if (!folder)
        return failure(folder.error());
    if (const Result<> made = DataFolder::ensureExists(*folder); !made)
        return failure(made.error());
    const DatabaseMaintenance maintenance(*folder, *server);

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
