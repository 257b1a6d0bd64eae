#include "cli/ImportScanCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsolePrompt.h"
#include "cli/DataDirOption.h"
#include "cli/DatabaseOption.h"
#include "export/ScanResultReader.h"
#include "platform/DataFolder.h"
#include "records/RecordStore.h"
#include "records/ScanRowImport.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

const CommandLine Command(QStringLiteral("records import-scan"));

} // namespace

int runImportScanCommand(const QStringList &arguments, const char *usage)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")});
    DatabaseOption::addTo(parser);
    parser.addOption({QStringLiteral("match"), QStringLiteral("The duplicate key."), QStringLiteral("ip|mac"),
                      QStringLiteral("ip")});
    parser.addOption({QStringLiteral("on-duplicate"), QStringLiteral("What a duplicate gets."),
                      QStringLiteral("skip|overwrite"), QStringLiteral("skip")});
    if (const auto done = Command.parse(parser, arguments, CommandLine::Positional::Allowed, usage))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return Command.usageError(QStringLiteral("import-scan takes one scan result file."));
    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser);
    if (!server)
        return Command.usageError(server.error());

    ScanRowImport::Options options;
    const QString match = parser.value(QStringLiteral("match"));
    if (match == QLatin1String("mac"))
        options.matchBy = BatchItem::MatchBy::MacAddress;
    else if (match != QLatin1String("ip"))
        return Command.usageError(QStringLiteral("--match takes ip or mac, not \"%1\".").arg(match));
    // There is nobody to ask: a script names what a duplicate gets.
    const QString onDuplicate = parser.value(QStringLiteral("on-duplicate"));
    if (onDuplicate == QLatin1String("skip"))
        options.onDuplicate = ScanRowImport::OnDuplicate::Skip;
    else if (onDuplicate == QLatin1String("overwrite"))
        options.onDuplicate = ScanRowImport::OnDuplicate::Overwrite;
    else
        return Command.usageError(
            QStringLiteral("--on-duplicate takes skip or overwrite, not \"%1\".").arg(onDuplicate));

    // A damaged file is refused whole: taking only the rows before the fault
    // would leave a script unsure what reached the records.
    const ScanResultReader::ReadOutcome read = ScanResultReader::readFile(positional.first());
    if (!read.ok())
        return Command.failure(read.error);

    const QString folder = *DataDirOption::read(parser, DataDirOption::Missing::Made);
    if (const Result<> made = DataFolder::ensureExists(folder); !made)
        return Command.failure(made.error());

    const RecordStore store(folder, *server);
    ConsolePrompt prompt;
    ScanRowImport rowImport(store, prompt);
    // The status line is the command's result, on standard output; the
    // closing message goes with the other messages to standard error.
    rowImport.setStatusHandler([](const QString &text) {
        std::printf("%s\n", qPrintable(text));
        std::fflush(stdout);
    });
    QList<int> all;
    all.reserve(read.rows.size());
    for (int row = 0; row < read.rows.size(); ++row)
        all.append(row);
    return rowImport.run(read.rows, all, options) ? 0 : CommandLine::FailureStatus;
}
