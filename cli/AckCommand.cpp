#include "cli/AckCommand.h"

#include "cli/CommandLine.h"
#include "cli/DataDirOption.h"
#include "cli/DatabaseOption.h"
#include "lists/AcknowledgedSet.h"
#include "platform/LoginName.h"
#include "platform/TerminalText.h"
#include "records/AcknowledgementStore.h"
#include "records/RecordValidation.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <cstdio>

namespace {

const char Usage[] =
    "Usage: netkestrel-cli ack COMMAND [OPTIONS]\n"
    "\n"
    "An acknowledged finding (an IP and MAC address pair) stays in the analysis list, marked, and is\n"
    "left out of the mail report until it expires.\n"
    "\n"
    "Commands:\n"
    "  add --ip A --mac M [--note TEXT] [--until DATE] [--by NAME]\n"
    "                 acknowledge the findings of this pair, or replace its acknowledgement.\n"
    "                 DATE is YYYY-MM-DD (to the end of that day, UTC) or an ISO 8601 date and\n"
    "                 time with Z or an offset; without --until it holds for ever. --by\n"
    "                 defaults to the login name of the user.\n"
    "  list           one acknowledgement a line, tab-separated: IP, MAC, by, made (UTC),\n"
    "                 \"for ever\", \"until TIME\" or \"expired TIME\", note. Expired ones count\n"
    "                 as absent everywhere else and are listed until they are removed.\n"
    "  remove --ip A --mac M\n"
    "                 withdraw the acknowledgement of this pair\n"
    "\n"
    "MAC addresses are given as six pairs of hexadecimal digits split by \"-\" or \":\".\n"
    "Every command takes --data-dir DIR (default: the user's data folder for Netkestrel) and\n"
    "--database URL: the acknowledgements on a PostgreSQL server instead of kestrel.mdb.\n"
    "URL: postgresql://USER@HOST:PORT/DBNAME, or postgresql://USER@/DBNAME?host=/SOCKET/FOLDER.\n"
    "The password comes from PGPASSFILE or ~/.pgpass, or from the first line of the file that\n"
    "--password-file FILE names; never from the command line.\n"
    "\n"
    "Exit status: 0 done, 1 failed (or nothing to remove), 2 bad usage.\n";

// The state column of ack list.
QString expiryText(const Acknowledgement &ack, const QDateTime &now)
{
    if (!ack.until.isValid())
        return QStringLiteral("for ever");
    return (ack.isActiveAt(now) ? QStringLiteral("until ") : QStringLiteral("expired ")) +
           Acknowledgement::isoText(ack.until);
}

int list(const AcknowledgementStore &store, const CommandLine &command)
{
    const Result<QList<Acknowledgement>> acks = store.all();
    if (!acks)
        return command.failure(acks.error());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const Acknowledgement &ack : *acks) {
        const QStringList fields{
            ack.ip, ack.mac, ack.by, Acknowledgement::isoText(ack.at), expiryText(ack, now), ack.note};
        QStringList printable;
        for (const QString &field : fields)
            printable.append(TerminalText::printable(field)); // escapes tabs and line breaks
        std::printf("%s\n", printable.join(QLatin1Char('\t')).toUtf8().constData());
    }
    std::fflush(stdout);
    return 0;
}

// The pair of --ip and --mac in their normal forms, or the usage error's status.
std::optional<int> readPair(const QCommandLineParser &parser, const CommandLine &command, QString *ip,
                            QString *mac)
{
    if (!parser.isSet(QStringLiteral("ip")) || !parser.isSet(QStringLiteral("mac")))
        return command.usageError(QStringLiteral("--ip and --mac are both required."));
    const QString ipText = parser.value(QStringLiteral("ip"));
    if (!RecordValidation::isValidIp(ipText.trimmed()))
        return command.usageError(
            QStringLiteral("--ip \"%1\" is no IPv4 address (four numbers from 0 to 255 split by dots).")
                .arg(ipText));
    const QString macText = parser.value(QStringLiteral("mac"));
    if (!RecordValidation::isValidMac(AcknowledgedSet::normalMac(macText)))
        return command.usageError(QStringLiteral("--mac \"%1\" is no MAC address (six pairs of hexadecimal "
                                                 "digits split by \"-\" or \":\").")
                                      .arg(macText));
    *ip = AcknowledgedSet::normalIp(ipText);
    *mac = AcknowledgedSet::normalMac(macText);
    return std::nullopt;
}

} // namespace

int runAckCommand(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return CommandLine(QStringLiteral("ack")).usageError(QStringLiteral("a command is missing."));
    const QString name = arguments.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    const bool isAdd = name == QLatin1String("add");
    const bool isList = name == QLatin1String("list");
    const bool isRemove = name == QLatin1String("remove");
    if (!isAdd && !isList && !isRemove)
        return CommandLine(QStringLiteral("ack"))
            .usageError(QStringLiteral("unknown command \"%1\".").arg(name));

    const CommandLine command(QStringLiteral("ack ") + name);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")});
    DatabaseOption::addTo(parser);
    if (!isList) {
        parser.addOption({QStringLiteral("ip"), QStringLiteral("The IP address."), QStringLiteral("A")});
        parser.addOption({QStringLiteral("mac"), QStringLiteral("The MAC address."), QStringLiteral("M")});
    }
    if (isAdd) {
        parser.addOption(
            {QStringLiteral("note"), QStringLiteral("Why it is known."), QStringLiteral("TEXT")});
        parser.addOption(
            {QStringLiteral("until"), QStringLiteral("When it expires."), QStringLiteral("DATE")});
        parser.addOption(
            {QStringLiteral("by"), QStringLiteral("Who acknowledges it."), QStringLiteral("NAME")});
    }
    if (const auto done = command.parse(parser, arguments.mid(1), CommandLine::Positional::Refused, Usage))
        return *done;

    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser);
    if (!server)
        return command.usageError(server.error());
    const Result<QString> folder = DataDirOption::read(parser);
    if (!folder)
        return command.failure(folder.error());
    const AcknowledgementStore store{RecordStore(*folder, *server)};
    if (isList)
        return list(store, command);

    QString ip;
    QString mac;
    if (const auto refused = readPair(parser, command, &ip, &mac))
        return *refused;

    if (isRemove) {
        const Result<bool> removed = store.remove(ip, mac);
        if (!removed)
            return command.failure(removed.error());
        if (!*removed)
            return command.failure(QStringLiteral("%1 %2 has no acknowledgement to withdraw.").arg(ip, mac));
        return 0;
    }

    Acknowledgement ack;
    ack.ip = ip;
    ack.mac = mac;
    ack.note = parser.value(QStringLiteral("note"));
    ack.by = parser.isSet(QStringLiteral("by")) ? parser.value(QStringLiteral("by")) : loginName();
    ack.at = QDateTime::currentDateTimeUtc();
    if (parser.isSet(QStringLiteral("until"))) {
        const QString untilText = parser.value(QStringLiteral("until"));
        const std::optional<QDateTime> until = Acknowledgement::parseUntil(untilText);
        if (!until)
            return command.usageError(
                QStringLiteral("--until \"%1\" is no date: give YYYY-MM-DD, or an ISO 8601 "
                               "date and time with Z or an offset.")
                    .arg(untilText));
        ack.until = *until;
    }
    if (const Result<> added = store.add(ack); !added)
        return command.failure(added.error());
    return 0;
}
