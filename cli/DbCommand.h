#pragma once

#include <QStringList>

// netkestrel-cli db: backup, recovery and compaction of the record database.
// arguments are those after the word "db". Returns the exit status: 0 done,
// 1 refused or failed (the program's message on standard error), 2 bad usage.
int runDbCommand(const QStringList &arguments);
