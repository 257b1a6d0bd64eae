#pragma once

#include <QStringList>

// netkestrel-cli scan: one scan of a range, rows printed as they are found.
// Returns the process exit status: 0 done (also when stopped by a signal),
// 1 the scan could not start, 2 bad usage (nothing was sent).
int runScanCommand(const QStringList &arguments);
