#pragma once

#include <QStringList>

// netkestrel-cli watch: the automatic mode without a window. Scans the range
// and analyses it at once, then again every N minutes counted from the end of
// each step, printing each step's findings as they come, one a line. SIGINT or
// SIGTERM ends it: while waiting at once, during a scan after the scan has
// stopped between two hosts and the hosts scanned so far have been analysed.
// Each finding and change event also goes, as its JSON line, to the
// notifiers of --notify-exec and --notify-url (those of --notify-kinds).
// Returns the exit status: 0 ended by a signal, 1 the database failed,
// 2 bad usage, 130 a second signal during a scan.
int runWatchCommand(const QStringList &arguments);
