#pragma once

#include <QString>

#include "platform/Result.h"

class ScanListModel;

// The scan list as a workbook: one worksheet named SheetName; row 1 holds the
// list's six column headers in bold, then one row per list row in list
// order: the running number followed by a blank in column A, the five texts
// of the row as text cells in B to F (a host name of digits stays text).
// Every cell from A1 to F of the last row has thin continuous borders. An
// empty list gives the header row alone. An existing file is replaced.
namespace ScanListWorkbook {

constexpr const char *SheetName = "Netkestrel Scanning Result";
constexpr int ColumnCount = 6;

Result<> write(const ScanListModel &list, const QString &path);

} // namespace ScanListWorkbook
