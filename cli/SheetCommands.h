#pragma once

#include <QString>
#include <QStringList>

#include <optional>

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

// "1,3-7" -> the row numbers 1, 3, 4, 5, 6, 7 (from 1, in the given order,
// each once). Nothing for a text that is no such list.
std::optional<QList<int>> parseRows(const QString &text);

} // namespace SheetCommands
