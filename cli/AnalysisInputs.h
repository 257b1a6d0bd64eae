#pragma once

#include "analysis/AnalysisOptions.h"
#include "analysis/Analyzer.h"
#include "platform/Result.h"
#include "records/RecordStore.h"

#include <QString>

#include <memory>

class QCommandLineParser;
class RecordListModel;

// What an analysis on the command line reads besides the scan rows: the
// options of T_set in the data folder, overridden by --mac/--no-mac and
// --ip/--no-ip, and the records of the same database.
class AnalysisInputs
{
public:
    static void addOptions(QCommandLineParser &parser);

    explicit AnalysisInputs(const QString &dataFolder) : m_dataFolder(dataFolder), m_store(dataFolder) {}

    // Whether the option pairs and --database are given sensibly; the
    // message is for a usage error. Touches no database.
    static Result<> checkOptions(const QCommandLineParser &parser);
    // The stored options with the command line's overrides, from the store
    // that --database names (the data folder's without it); the options must
    // have passed checkOptions. Fails when the database cannot be read.
    Result<> read(const QCommandLineParser &parser);
    // The records in load order, replacing the list's rows.
    Result<> loadRecords(RecordListModel &records);

    // The acknowledgements of the same database, read as each analysis
    // starts. When they cannot be read the message goes to standard error
    // and none count, so that the findings are still all shown.
    Analyzer::AcknowledgementSource acknowledgements() const;
    // Whether the last analysis could not read them.
    bool acknowledgementsUnread() const { return *m_acknowledgementsUnread; }

    // The store that --database names, or the data folder's; valid after read().
    const RecordStore &store() const { return m_store; }
    const AnalysisOptions &stored() const { return m_stored; }
    Analyzer::Options analyzerOptions() const { return m_options; }

private:
    QString m_dataFolder;
    RecordStore m_store;
    AnalysisOptions m_stored;
    Analyzer::Options m_options;
    std::shared_ptr<bool> m_acknowledgementsUnread = std::make_shared<bool>(false);
};
