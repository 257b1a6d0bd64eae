#pragma once

#include <QString>

#include "platform/Result.h"

struct RecordTableDump;

// The record table as a workbook: one worksheet named SheetName with the
// field names in row 1 (Arial, bold) and one row per record below, the ID as
// a number and the other fields as text; thin continuous borders over the
// table; columns as wide as their content. Printed on paper size 8 (A3),
// landscape, one page wide, the header row repeated on every page, with
// "Page &P, Total: &N" centred in the footer. An existing file is replaced.
namespace RecordWorkbook {

constexpr const char *SheetName = "sheet1";
// The plain message of an export of an empty table, which writes nothing.
// A plain box (OK, no icon) titled with the program's name.
constexpr const char *NoRecordText = "No Record!";
constexpr const char *NoRecordTitle = "Netkestrel";
constexpr const char *Footer = "Page &P, Total: &N";
constexpr int PaperSize = 8;

Result<> write(const RecordTableDump &table, const QString &path);

} // namespace RecordWorkbook
