#pragma once

#include <QStringList>

// netkestrel-cli arp-script --from-scan F.kst | --from-records [--apply]
// [--data-dir DIR]: writes ARP-S1.BAT (from a scan result file) or
// ARP-S2.BAT (from the record database) in the data folder, every row
// counting as ticked, and prints its path; --apply also binds the addresses
// in this machine's neighbour table and prints what succeeded and failed.
// Exit status: 0 written (and all applied), 1 a failure, 2 bad usage.
int runArpScriptCommand(const QStringList &arguments);
