#pragma once

#include <QStringList>

// netkestrel-cli records import-scan: the rows of a scan result file into the
// records, as the window's "Add to database" wizard takes ticked rows (every
// row of the file counts as ticked). arguments are those after
// "import-scan". Returns the exit status: 0 done, 1 the file could not be
// read or the store failed, 2 bad usage.
int runImportScanCommand(const QStringList &arguments, const char *usage);
