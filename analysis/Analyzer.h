#pragma once

#include <QDateTime>

#include <functional>

#include "analysis/AnalysisRules.h"
#include "lists/AcknowledgedSet.h"

class AnalysisListModel;
class RecordListModel;
class ScanListModel;

// AnalyzeAll, AnalyzeSelected and ClearAnalysisList: compare the scan list
// with the record list as they stand and append the findings to the analysis
// list. Reads the lists only, never the database, and leaves the record
// list's highlight where it is. Runs to completion on the caller's thread;
// the models must live on that thread.
class Analyzer
{
public:
    using Clock = std::function<QDateTime()>;
    // The acknowledgements that hold at the given moment; asked once at the
    // start of each analysis, so that the database is read once, not per row.
    using AcknowledgementSource = std::function<AcknowledgedSet(const QDateTime &at)>;

    struct Options
    {
        AnalysisRules::Checks checks;
        bool clearBeforeAnalysis = false; // Check5
    };

    // The question a front end asks before it calls ClearAnalysisList (OK and
    // Cancel, Cancel the default, the information icon); the analyzer never asks.
    static constexpr const char *ClearQuestionText = "Comfirm to clear the analusis list?";

    // The models must outlive the analyzer. clock gives the time written into
    // each finding (the local time when none is given).
    Analyzer(ScanListModel *scanList, const RecordListModel *records, AnalysisListModel *analysisList,
             Clock clock = {});

    void setOptions(const Options &options) { m_options = options; }
    const Options &options() const { return m_options; }
    // Findings of acknowledged pairs are appended marked as such. None are
    // acknowledged while no source is set.
    void setAcknowledgementSource(AcknowledgementSource source) { m_acknowledgements = std::move(source); }

    // Every scan row, top to bottom; leaves the last one highlighted. Returns
    // the number of findings appended that are not acknowledged: the ones
    // that are news to whoever is told the count.
    int AnalyzeAll();
    // The highlighted scan row, the first one when none is highlighted.
    int AnalyzeSelected();
    // Clears the analysis list at once; the caller has asked ClearQuestionText.
    void ClearAnalysisList();

    // "date; time" in the system's short formats.
    static QString dateTimeText(const QDateTime &when);

private:
    int analyzeRow(const AnalysisRules &rules, const AcknowledgedSet &acknowledged, int row);
    AcknowledgedSet acknowledgedNow() const;

    ScanListModel *m_scanList;
    const RecordListModel *m_records;
    AnalysisListModel *m_analysisList;
    Clock m_clock;
    Options m_options;
    AcknowledgementSource m_acknowledgements;
};
