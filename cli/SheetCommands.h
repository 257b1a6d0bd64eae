#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "platform/Result.h"

class QCommandLineParser;
class RecordStore;

// The spreadsheet commands of netkestrel-cli. Each returns the exit status:
// 0 done, 1 refused or failed (the program's message on standard error),
// 2 bad usage.
namespace SheetCommands {

// export --scan-list F.kst --output FILE.xlsx
int exportScanList(const QString &scanFile, const QString &output);
// records export FILE.xlsx: "No Record!" and status 1 for an empty table.
int exportRecords(const RecordStore &store, const QString &output);

// records import FILE [--sheet NAME] --match ip|mac --on-duplicate skip|overwrite [--rows LIST]
void addImportOptions(QCommandLineParser &parser);
int importRecords(const RecordStore &store, const QString &file, const QCommandLineParser &parser);

struct RowRange
{
    int first = 1;
    int last = 1;
};
// "1,3-7" -> the ranges 1-1 and 3-7 (rows from 1). Nothing for a text that
// is no such list. Only ranges: "1-2147483647" must not become a list of
// rows before the sheet says how many it has.
std::optional<QList<RowRange>> parseRows(const QString &text);
// The rows the ranges name, ascending, each once; refused, naming the lowest
// row beyond the sheet, when a range reaches past rowCount.
Result<QList<int>> selectRows(const QList<RowRange> &ranges, int rowCount);

} // namespace SheetCommands
