#pragma once

#include <QList>
#include <QString>

#include <cstdio>

#include "history/ChangeEvent.h"

class CommandLine;
class RecordStore;
class ScanListModel;
class ScanRun;

// What the scanning commands do when a scan has completed.
namespace CompletedScan {

// Brings the host history of the store (the data folder's file or the server
// of --database) up to date with the scan, after the scans kept while the
// store could not take them. What happened besides is said on standard
// error: the kept scans written, why the store refused, where this scan is
// kept. The scan's own results stand either way.
// site: --site, empty for the machine's host name.
struct Recorded
{
    QList<ChangeEvent> events; // none unless written
    bool lost = false;         // neither written nor kept
};
Recorded record(const CommandLine &command, const RecordStore &store, const ScanListModel &list,
                const ScanRun &run, const QString &site = {});

// The events as lines: date/time, a tab, the event; or JSON lines.
void printChanges(std::FILE *out, const QList<ChangeEvent> &events, bool json);

} // namespace CompletedScan
