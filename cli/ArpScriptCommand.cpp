#include "cli/ArpScriptCommand.h"

#include "cli/CommandLine.h"
#include "cli/ConsolePrompt.h"
#include "cli/DataDirOption.h"
#include "export/ScanResultReader.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"
#include "platform/DataFolder.h"
#include "platform/ProcessProgramRunner.h"
#include "records/RecordStore.h"
#include "tools/ArpBindingCommand.h"
#include "tools/ArpBindingScript.h"
#include "tools/NeighbourBinder.h"

#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

int runArpScriptCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("arp-script"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the IP-MAC binding batch file of a scan result file (ARP-S1.BAT) or of the "
                       "records (ARP-S2.BAT) in the data folder; --apply also binds the addresses in this "
                       "machine's neighbour table (through pkexec when not root)."));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("from-scan"), QStringLiteral("A scan result file (.kst)."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("from-records"), QStringLiteral("The records of the data folder.")});
    parser.addOption({QStringLiteral("apply"), QStringLiteral("Bind the addresses on this machine too.")});
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("The data folder."), QStringLiteral("DIR")});
    if (const auto done = command.parse(parser, arguments))
        return *done;
    const bool fromScan = parser.isSet(QStringLiteral("from-scan"));
    const bool fromRecords = parser.isSet(QStringLiteral("from-records"));
    if (fromScan == fromRecords)
        return command.usageError(QStringLiteral("give either --from-scan FILE or --from-records."));

    const Result<QString> dataFolder = DataDirOption::read(parser);
    if (!dataFolder)
        return command.failure(dataFolder.error());
    const QString folder = *dataFolder;
    std::unique_ptr<ListModel> list;
    if (fromScan) {
        const ScanResultReader::ReadOutcome read =
            ScanResultReader::readFile(parser.value(QStringLiteral("from-scan")));
        if (!read.ok())
            return command.failure(read.error);
        auto scans = std::make_unique<ScanListModel>();
        for (const ScanRow &row : read.rows)
            scans->appendScanRow(row);
        list = std::move(scans);
    } else {
        if (const Result<> made = DataFolder::ensureExists(folder); !made)
            return command.failure(made.error());
        const Result<QList<PresetRecord>> records = RecordStore(folder).loadAll();
        if (!records)
            return command.failure(records.error());
        auto model = std::make_unique<RecordListModel>();
        model->setRecords(*records);
        list = std::move(model);
    }
    // The command line has no check boxes: every row is chosen.
    list->setAllChecked(true);
    if (list->count() == 0)
        return command.failure(QStringLiteral("there are no rows to bind."));

    ConsolePrompt prompt;
    prompt.setAnswer(parser.isSet(QStringLiteral("apply")) ? PromptAnswer::Yes : PromptAnswer::No);
    ProcessProgramRunner runner;
    bool complete = true;
    const ArpBindingCommand generator(
        folder, prompt, [&runner, &complete](const QList<ArpBinding> &bindings, const auto &report) {
            const QList<NeighbourBinder::Outcome> outcomes = NeighbourBinder(runner).apply(bindings);
            complete = NeighbourBinder::allApplied(outcomes);
            report(ArpBindingCommand::Applied{NeighbourBinder::report(outcomes), complete});
        });
    const QString written = generator.generate(
        *list,
        QLatin1String(fromScan ? ArpBindingScript::ScanListFileName : ArpBindingScript::RecordListFileName));
    if (written.isEmpty())
        return CommandLine::FailureStatus;
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(written)));
    return complete ? 0 : CommandLine::FailureStatus;
}
