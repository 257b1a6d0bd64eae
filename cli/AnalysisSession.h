#pragma once

#include <QString>

#include <optional>

#include "cli/AnalysisInputs.h"
#include "cli/ScanOptions.h"

class Analyzer;
class CommandLine;
class QCommandLineParser;

// How analyze, report and watch start: the scan options, the data folder,
// the site, and the store with its analysis options and acknowledgements.
// Each step returns nothing when it worked, else the exit status (the message
// printed); the steps run in their order, a command's own checks between
// them.
class AnalysisSession
{
public:
    // Whether --scan-file may take the place of a scan.
    enum class Source { Scan, ScanOrFile };

    // --method, and the range and pacing unless a scan file takes their place.
    std::optional<int> readScanOptions(const CommandLine &command, const QCommandLineParser &parser,
                                       Source source);
    // The data folder, --site, and the analysis options of the store.
    std::optional<int> open(const CommandLine &command, const QCommandLineParser &parser);

    const ScanOptions &scanOptions() const { return m_scanOptions; }
    // --scan-file is given (after readScanOptions).
    bool fromFile() const { return m_fromFile; }
    // The rest after open().
    const QString &dataFolder() const { return m_dataFolder; }
    // --site, empty for the machine's host name.
    const QString &site() const { return m_site; }
    // The site that the findings name.
    QString shownSite() const;
    AnalysisInputs &inputs() { return *m_inputs; }
    const AnalysisInputs &inputs() const { return *m_inputs; }

    // The analysis options and the acknowledgements of the store.
    void configure(Analyzer &analyzer) const;

private:
    ScanOptions m_scanOptions;
    bool m_fromFile = false;
    QString m_dataFolder;
    QString m_site;
    std::optional<AnalysisInputs> m_inputs;
};
