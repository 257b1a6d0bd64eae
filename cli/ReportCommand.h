#pragma once

#include <QStringList>

// netkestrel-cli report --now: analyses a scan result file (or a scan of a
// range) as analyze does and mails the report of the findings with the stored
// report settings, each of which a flag can override for this run. Prints the
// sender's status texts on standard error and the outcome on standard output.
// Returns 0 sent (or nothing to send: no findings and ISresult on),
// 1 failure, 2 bad usage, 130 stopped by a signal during the scan.
int runReportCommand(const QStringList &arguments);
