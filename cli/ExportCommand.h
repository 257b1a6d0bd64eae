#pragma once

#include <QStringList>

// netkestrel-cli export: the findings of a scan result file against the
// records of the data folder, written as a text or an HTML file. Returns the
// exit status: 0 the file was written (with findings or none), 1 the scan
// file, the database or the output file failed, 2 bad usage.
int runExportCommand(const QStringList &arguments);
