#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "records/DatabaseUrl.h"

class AnalysisListModel;
class CommandLine;
class QCommandLineParser;

// netkestrel-cli analyze: one scan of a range (or the rows of a scan result
// file) analysed against the records of the data folder; one finding a line.
// Returns the exit status: 0 no findings, 3 findings, 1 the scan, the file or
// the database failed (nothing analysed), or the findings are printed but the
// acknowledgements could not be read or the scan's history could neither be
// written nor kept, 2 bad usage, 130 stopped by a signal during the scan
// (nothing analysed).
int runAnalyzeCommand(const QStringList &arguments);

// What analyze and report share: the options that choose the rows (a scan
// result file, or a range to scan, and the data folder) and the analysis
// options.
void addAnalysisSourceOptions(QCommandLineParser &parser);
// What analyseInto leaves besides the findings in the list.
struct AnalysisOutcome
{
    // Set when the command ends here: the exit status, its message printed.
    std::optional<int> exitStatus;
    QString dataFolder;                // the data folder resolved
    std::optional<DatabaseUrl> server; // the server of --database; nothing for the data folder's file
    // The acknowledgements could not be read (every finding then counts as
    // not acknowledged) or the scan's history was lost, both said on
    // standard error.
    bool incomplete = false;

    static AnalysisOutcome endedWith(int status)
    {
        AnalysisOutcome outcome;
        outcome.exitStatus = status;
        return outcome;
    }
};
// Reads or scans the rows and analyses them into the list.
AnalysisOutcome analyseInto(const CommandLine &command, const QCommandLineParser &parser,
                            AnalysisListModel &analysisList);
