#pragma once

#include "platform/Result.h"
#include "records/RecordStore.h"

#include <QString>

class QCommandLineParser;

// What the listings of the host history (history, changes) read: the record
// store of the data folder, or of --database with its --password-file, and the
// one site of --site (every site without it).
struct HistorySource
{
    RecordStore store;
    QString site; // empty: every site

    static void addOptions(QCommandLineParser &parser);
    // dataFolder: what DataDirOption read. A failure is a usage error, in the
    // words of the option at fault.
    static Result<HistorySource> read(const QCommandLineParser &parser, const QString &dataFolder);
};
