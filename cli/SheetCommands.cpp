#include "cli/SheetCommands.h"

#include "cli/CommandLine.h"
#include "cli/ConsolePrompt.h"
#include "export/ScanResultReader.h"
#include "lists/ScanListModel.h"
#include "records/RecordStore.h"
#include "sheets/RecordSheet.h"
#include "sheets/RecordTableDump.h"
#include "sheets/RecordWorkbook.h"
#include "sheets/ScanListWorkbook.h"
#include "sheets/SheetImport.h"
#include "sheets/WorkbookReader.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>

namespace SheetCommands {

namespace {

const CommandLine ImportCommand(QStringLiteral("records import"));

} // namespace

int exportScanList(const QString &scanFile, const QString &output)
{
    const CommandLine command(QStringLiteral("export"));
    const ScanResultReader::ReadOutcome read = ScanResultReader::readFile(scanFile);
    if (!read.ok())
        return command.failure(read.error);
    ScanListModel list;
    for (const ScanRow &row : read.rows)
        list.appendScanRow(row);
    if (const Result<> written = ScanListWorkbook::write(list, output); !written)
        return command.failure(written.error());
    return 0;
}

int exportRecords(const RecordStore &store, const QString &output)
{
    const CommandLine command(QStringLiteral("records export"));
    const Result<RecordTableDump> table = RecordTableDump::read(store);
    if (!table)
        return command.failure(table.error());
    if (table->rows.isEmpty()) {
        ConsolePrompt().ask(
            {QLatin1String(RecordWorkbook::NoRecordTitle), QLatin1String(RecordWorkbook::NoRecordText)});
        return CommandLine::FailureStatus;
    }
    if (const Result<> written = RecordWorkbook::write(*table, output); !written)
        return command.failure(written.error());
    return 0;
}

std::optional<QList<RowRange>> parseRows(const QString &text)
{
    QList<RowRange> ranges;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList bounds = part.trimmed().split(QLatin1Char('-'));
        bool firstOk = false;
        bool lastOk = false;
        const int first = bounds.first().toInt(&firstOk);
        const int last = bounds.size() == 2 ? bounds.last().toInt(&lastOk) : first;
        if (!firstOk || (bounds.size() == 2 && !lastOk) || bounds.size() > 2 || first < 1 || last < first)
            return std::nullopt;
        ranges.append({first, last});
    }
    return ranges;
}

Result<QList<int>> selectRows(const QList<RowRange> &ranges, int rowCount)
{
    int missing = 0; // the lowest row beyond the sheet, 0 for none
    for (const RowRange &range : ranges) {
        if (range.last > rowCount) {
            const int lowest = std::max(range.first, rowCount + 1);
            missing = missing == 0 ? lowest : std::min(missing, lowest);
        }
    }
    if (missing > 0)
        return Failure{
            QStringLiteral("the sheet has %1 rows; there is no row %2.").arg(rowCount).arg(missing)};
    QList<bool> chosen(rowCount + 1, false);
    for (const RowRange &range : ranges)
        std::fill(chosen.begin() + range.first, chosen.begin() + range.last + 1, true);
    QList<int> rows;
    for (int row = 1; row <= rowCount; ++row) {
        if (chosen.at(row))
            rows.append(row);
    }
    return rows;
}

void addImportOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("sheet"),
         QStringLiteral("The sheet, named as the workbook lists it (default: the first)."),
         QStringLiteral("NAME")},
        {QStringLiteral("match"), QStringLiteral("Find duplicates by IP or by MAC address."),
         QStringLiteral("ip|mac")},
        {QStringLiteral("on-duplicate"), QStringLiteral("What a duplicate does."),
         QStringLiteral("skip|overwrite")},
        {QStringLiteral("rows"),
         QStringLiteral("The sheet rows to import, from 1 below the header (default: all)."),
         QStringLiteral("LIST")},
    });
}

int importRecords(const RecordStore &givenStore, const QString &file, const QCommandLineParser &parser)
{
    const QString match = parser.value(QStringLiteral("match"));
    if (match != QLatin1String("ip") && match != QLatin1String("mac"))
        return ImportCommand.usageError(QStringLiteral("give --match ip or --match mac."));
    const QString duplicate = parser.value(QStringLiteral("on-duplicate"));
    if (duplicate != QLatin1String("skip") && duplicate != QLatin1String("overwrite"))
        return ImportCommand.usageError(
            QStringLiteral("give --on-duplicate skip or --on-duplicate overwrite."));
    std::optional<QList<RowRange>> wanted;
    if (parser.isSet(QStringLiteral("rows"))) {
        wanted = parseRows(parser.value(QStringLiteral("rows")));
        if (!wanted)
            return ImportCommand.usageError(
                QStringLiteral("--rows takes row numbers and ranges such as 1,3-7, not \"%1\".")
                    .arg(parser.value(QStringLiteral("rows"))));
    }

    ConsolePrompt prompt;
    Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(file);
    if (!book) {
        prompt.error(book.error());
        return CommandLine::FailureStatus;
    }
    const QStringList sheets = (*book)->sheetNames();
    int sheetIndex = 0;
    if (parser.isSet(QStringLiteral("sheet"))) {
        sheetIndex = int(sheets.indexOf(parser.value(QStringLiteral("sheet"))));
        if (sheetIndex < 0)
            return ImportCommand.failure(
                QStringLiteral("the workbook has no sheet \"%1\"; its sheets: %2.")
                    .arg(parser.value(QStringLiteral("sheet")), sheets.join(QStringLiteral(", "))));
    } else if (sheets.isEmpty()) {
        return ImportCommand.failure(QStringLiteral("the workbook has no sheet."));
    }
    const Result<SheetGrid> grid = (*book)->readSheet(sheetIndex);
    if (!grid) {
        prompt.error(grid.error());
        return CommandLine::FailureStatus;
    }
    const std::optional<RecordSheet> sheet = RecordSheet::fromGrid(*grid);
    if (!sheet) {
        prompt.error(QLatin1String(RecordSheet::FormatRefusedText));
        return CommandLine::FailureStatus;
    }

    QList<int> rowNumbers;
    if (wanted) {
        const Result<QList<int>> selected = selectRows(*wanted, sheet->rowCount());
        if (!selected)
            return ImportCommand.failure(selected.error());
        rowNumbers = *selected;
    } else {
        for (int row = 1; row <= sheet->rowCount(); ++row)
            rowNumbers.append(row);
    }
    QList<PresetRecord> rows;
    rows.reserve(rowNumbers.size());
    for (const int row : std::as_const(rowNumbers))
        rows.append(sheet->record(row - 1));

    RecordStore store = givenStore;
    SheetImport run(store, prompt);
    QObject::connect(&run, &SheetImport::statusChanged, [](const QString &line) {
        std::fprintf(stdout, "%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    const SheetImport::Outcome outcome =
        run.run(rows, rowNumbers,
                match == QLatin1String("ip") ? BatchItem::MatchBy::IpAddress : BatchItem::MatchBy::MacAddress,
                duplicate == QLatin1String("skip") ? SheetImport::OnDuplicate::Skip
                                                   : SheetImport::OnDuplicate::Overwrite);
    return outcome.failed ? CommandLine::FailureStatus : 0;
}

} // namespace SheetCommands
