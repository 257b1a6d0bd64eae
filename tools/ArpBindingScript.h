#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/Result.h"
#include "tools/ArpBinding.h"

class ListModel;

// The ARP binding batch files: one "arp -s IP MAC" line per binding, CR LF
// after each, nothing else. The scan list's file is ARP-S1.BAT, the record
// list's ARP-S2.BAT; both live in the data folder, since the working
// directory may be neither writable nor trusted.
namespace ArpBindingScript {

constexpr const char *ScanListFileName = "ARP-S1.BAT";
constexpr const char *RecordListFileName = "ARP-S2.BAT";

// The ticked rows whose MAC column is not "Non-Responded IP" and that pass
// ArpBindingCheck, in list order. Both lists hold the IP address in column 1
// and the MAC address in column 2. The ticked rows that fail the check are
// added to *leftOut as row numbers from 1, when given.
QList<ArpBinding> qualifyingRows(const ListModel &list, QList<int> *leftOut = nullptr);

QByteArray text(const QList<ArpBinding> &bindings);

// Writes the file in `folder`, replacing any earlier one whole (a new file
// renamed over it, so a failed write leaves the old one). Returns its path.
Result<QString> write(const QString &folder, const QString &fileName, const QList<ArpBinding> &bindings);

} // namespace ArpBindingScript
