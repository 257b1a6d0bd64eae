#include "cli/ExportCommand.h"

#include "analysis/Analyzer.h"
#include "cli/AnalysisInputs.h"
#include "cli/CommandLine.h"
#include "cli/DataDirOption.h"
#include "cli/SheetCommands.h"
#include "export/ListHtmlWriter.h"
#include "export/ListTextWriter.h"
#include "export/ScanResultReader.h"
#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"

#include <QCommandLineParser>

int runExportCommand(const QStringList &arguments)
{
    const CommandLine command(QStringLiteral("export"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Analyses the rows of a scan result file against the records and writes the findings\n"
                       "as a text or an HTML file; or, with --scan-list, writes the rows of a scan result\n"
                       "file as a workbook (.xlsx). Exit status: 0 written, 1 failure, 2 bad usage."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("analysis"), QStringLiteral("The kind of file: text or html."),
         QStringLiteral("text|html")},
        {QStringLiteral("scan-file"), QStringLiteral("The scan result file to analyse."),
         QStringLiteral("F")},
        {QStringLiteral("scan-list"), QStringLiteral("The scan result file to write as a workbook."),
         QStringLiteral("F")},
        {QStringLiteral("output"), QStringLiteral("The file to write; an existing one is replaced."),
         QStringLiteral("FILE")},
        {QStringLiteral("data-dir"),
         QStringLiteral("The data folder: the records and the stored analysis options."),
         QStringLiteral("DIR")},
    });
    AnalysisInputs::addOptions(parser);
    if (const auto done = command.parse(parser, arguments))
        return *done;

    if (parser.isSet(QStringLiteral("scan-list"))) {
        if (parser.isSet(QStringLiteral("analysis")) || parser.isSet(QStringLiteral("scan-file")))
            return command.usageError(
                QStringLiteral("--scan-list takes neither --analysis nor --scan-file."));
        if (parser.value(QStringLiteral("output")).isEmpty())
            return command.usageError(QStringLiteral("give --output."));
        return SheetCommands::exportScanList(parser.value(QStringLiteral("scan-list")),
                                             parser.value(QStringLiteral("output")));
    }

    const QString kind = parser.value(QStringLiteral("analysis"));
    if (kind != QLatin1String("text") && kind != QLatin1String("html"))
        return command.usageError(QStringLiteral("--analysis is text or html, not \"%1\".").arg(kind));
    for (const char *required : {"scan-file", "output"}) {
        if (parser.value(QLatin1String(required)).isEmpty())
            return command.usageError(QStringLiteral("give --%1.").arg(QLatin1String(required)));
    }
    if (const Result<> checked = AnalysisInputs::checkOptions(parser); !checked)
        return command.usageError(checked.error());

    const Result<QString> folder = DataDirOption::read(parser);
    if (!folder)
        return command.failure(folder.error());
    AnalysisInputs inputs(*folder);
    if (const Result<> read = inputs.read(parser); !read)
        return command.failure(read.error());

    const ScanResultReader::ReadOutcome read =
        ScanResultReader::readFile(parser.value(QStringLiteral("scan-file")));
    if (!read.ok())
        return command.failure(read.error);
    ScanListModel scanList;
    for (const ScanRow &row : read.rows)
        scanList.appendScanRow(row);

    RecordListModel records;
    if (const Result<> loaded = inputs.loadRecords(records); !loaded)
        return command.failure(loaded.error());

    AnalysisListModel analysisList;
    Analyzer analyzer(&scanList, &records, &analysisList);
    analyzer.setOptions(inputs.analyzerOptions());
    analyzer.AnalyzeAll();

    const QString output = parser.value(QStringLiteral("output"));
    const Result<> written = kind == QLatin1String("text") ? ListTextWriter::write(analysisList, output, true)
                                                           : ListHtmlWriter::write(analysisList, output, {});
    if (!written)
        return command.failure(written.error());
    return 0;
}
