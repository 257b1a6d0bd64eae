#pragma once

#include <QStringList>

// netkestrel-cli records: the record database without a window. arguments
// are those after the word "records". Returns the exit status: 0 done,
// 1 refused or failed (the program's message on standard error), 2 bad usage.
int runRecordsCommand(const QStringList &arguments);
