#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <utility>

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

// The parts of an .xlsx of one sheet, whose sheetData holds rows and whose
// shared strings part holds sharedStrings, by their names in the archive.
inline QList<std::pair<const char *, QByteArray>> oneSheetParts(const QByteArray &rows,
                                                                const QByteArray &sharedStrings)
{
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return {{"xl/workbook.xml",
             "<workbook " + main + " xmlns:r=\"" + rel +
                 "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                 "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + rel +
                 "/sharedStrings\" Target=\"shared.xml\"/></Relationships>"},
            {"xl/worksheets/sheet1.xml",
             "<worksheet " + main + "><sheetData>" + rows + "</sheetData></worksheet>"},
            {"xl/shared.xml", "<sst " + main + ">" + sharedStrings + "</sst>"}};
}

} // namespace SheetTools
