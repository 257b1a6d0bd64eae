#pragma once

#include <QStringList>

// netkestrel-cli history: the IP/MAC pairs that completed scans have seen,
// with first and last sighting, the number of scans and the latest names.
int runHistoryCommand(const QStringList &arguments);
