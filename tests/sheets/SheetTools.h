#pragma once

#include <QJsonObject>
#include <QString>

// The programs the workbook tests check against, all from Debian: Perl's
// Spreadsheet::WriteExcel writes .xls, openpyxl under /usr/bin/python3 reads
// .xlsx, Python's zipfile packs hand-written .xlsx parts. A tool that is
// missing makes the test skip, never pass.
namespace SheetTools {

// Empty when the tool runs here, else why not (for QSKIP).
QString xlsWriterMissing();
QString xlsxReaderMissing();

// tests/sheets/write-xls.pl: sheets "Records", "Eleven", "Other names";
// mode "corner" adds a cell at the last row and column of the first.
bool writeXls(const QString &path, const QString &mode = QString());
// The workbook as xlsx-tool.py dump gives it; an empty object on failure.
QJsonObject dumpXlsx(const QString &path);
// Packs the files under folder into the zip archive out.
bool zipFolder(const QString &out, const QString &folder);
// Writes text to folder/relativePath, making its folders.
bool writePart(const QString &folder, const QString &relativePath, const QByteArray &text);

} // namespace SheetTools
