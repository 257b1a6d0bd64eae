#pragma once

#include <QStringList>

// netkestrel-cli analyze: one scan of a range (or the rows of a scan result
// file) analysed against the records of the data folder; one finding a line.
// Returns the exit status: 0 no findings, 3 findings, 1 the scan, the file or
// the database failed (nothing analysed), 2 bad usage, 130 stopped by a signal
// during the scan (nothing analysed).
int runAnalyzeCommand(const QStringList &arguments);
