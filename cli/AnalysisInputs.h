#pragma once

#include "AnalysisOptions.h"
#include "Analyzer.h"
#include "RecordStore.h"

#include <QString>

class QCommandLineParser;
class RecordListModel;

// What an analysis on the command line reads besides the scan rows: the
// options of T_set in the data folder, overridden by --mac/--no-mac and
// --ip/--no-ip, and the records of the same database.
class AnalysisInputs
{
public:
    static void addOptions(QCommandLineParser &parser);

    explicit AnalysisInputs(const QString &dataFolder) : m_store(dataFolder) {}

    // false with *error set. *usage tells a bad option (true) from a
    // database failure (false).
    bool read(const QCommandLineParser &parser, QString *error, bool *usage);
    // The records in load order, replacing the list's rows.
    bool loadRecords(RecordListModel &records, QString *error);

    const AnalysisOptions &stored() const { return m_stored; }
    Analyzer::Options analyzerOptions() const { return m_options; }

private:
    RecordStore m_store;
    AnalysisOptions m_stored;
    Analyzer::Options m_options;
};
