#pragma once

#include <QList>
#include <QString>

#include <cstdio>

#include "ChangeEvent.h"

class CommandLine;
class RecordStore;
class ScanListModel;
class ScanRun;

// What the scanning commands do when a scan has completed.
namespace CompletedScan {

// Brings the host history of the store (the data folder's file or the server
// of --database) up to date with the scan and
// returns its change events. A history that cannot be written is said on
// standard error and leaves the scan's own results standing (no events).
// site: --site, empty for the machine's host name.
QList<ChangeEvent> record(const CommandLine &command, const RecordStore &store, const ScanListModel &list,
                          const ScanRun &run, const QString &site = {});

// The events as lines: date/time, a tab, the event; or JSON lines.
void printChanges(std::FILE *out, const QList<ChangeEvent> &events, bool json);

} // namespace CompletedScan
