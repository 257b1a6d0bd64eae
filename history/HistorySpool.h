#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "history/ChangeEvent.h"
#include "lists/ScanRow.h"
#include "platform/Result.h"

class RecordStore;

// A completed scan as the history needs it, kept until it can be written:
// the time it completed (UTC), the resolved site, the absence
// limit, the rows that are history (an IP and a MAC, no marker rows) and the
// neighbour table's MACs of those rows' addresses.
struct KeptScan
{
    static constexpr int MaxRows = 65536; // the largest range a scan covers

    QDateTime time;
    QString site;
    int absenceDays = 0;
    QList<ScanRow> rows;
    QHash<QString, QString> neighbourMacs;
    // Frames heard between scans rather than a scan: the rows are the pairs
    // heard, last at time, and the events those the listener gave, stored as
    // they are. A pair heard counts no scan.
    bool heard = false;
    QList<ChangeEvent> events;
};

// The scans whose history could not be written to a store, kept in the
// folder "history-spool" of the store's data folder, one file a scan, until
// the next writer of that store's history gets through. Nothing is ever
// dropped to make room: a month of five-minute scans of a /24 is some
// hundred megabytes, and a scan that could not be kept is said.
//
// A file is written whole (QSaveFile) and readable by its owner only. Its
// name starts with a digest of the store's location, so that a data folder
// used with several stores keeps each store's scans apart, then the scan's
// time: the names sort in the order the scans completed. The files are
// anybody's to edit, so reading one is bounded in bytes, rows and text
// lengths, and a file that fails the checks is refused, not guessed at.
class HistorySpool
{
public:
    static constexpr const char *FolderName = "history-spool";
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;

    explicit HistorySpool(const RecordStore &store);

    QString folder() const { return m_folder; }

    // Writes the scan as a file of its own.
    Result<> keep(const KeptScan &scan) const;
    // The kept files of this store, oldest scan first.
    QStringList pending() const;
    Result<KeptScan> read(const QString &file) const;
    // Renames a file that cannot be read out of the queue (".damaged"), so
    // that it stays for someone to look at; returns the name it now has.
    QString setAside(const QString &file) const;

private:
    QString m_folder;
    QString m_storeKey;
    QString m_prefix;
};
