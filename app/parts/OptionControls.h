#pragma once

#include <QObject>

#include "analysis/AnalysisOptions.h"

class AnalysisOptionsStore;
class Analyzer;
class AutoScanController;
class OptionFrames;
class Prompt;
class ScanRun;

// The option boxes Check1..Check5 and the minute box Combo1 at work: loaded
// from T_set at start-up, saved there on every click and accepted minute
// value, and applied to the scan run (Check1), the analyzer (Check2, Check3,
// Check5) and the automatic mode (Check4, Combo1). Refused minute text never
// reaches T_set or the timer, and leaves the box when editing ends.
class OptionControls : public QObject
{
    Q_OBJECT

public:
    OptionControls(OptionFrames *frames, AnalysisOptionsStore &store, ScanRun &scanRun, Analyzer &analyzer,
                   AutoScanController &autoScan, Prompt &prompt, QObject *parent = nullptr);

    // Shows T_set in the boxes and writes it back at once: an empty T_set
    // gets its row, a refused stored minute value the default the box shows.
    void load();
    // Arms the automatic mode as the boxes say (after the records are listed).
    void startAutoMode();

private:
    void save();
    void applyToAnalyzer();
    void autoScanClicked(bool on);
    void minutesTextChanged(const QString &text);
    void minutesEditFinished();

    OptionFrames *m_frames;
    AnalysisOptionsStore &m_store;
    ScanRun &m_scanRun;
    Analyzer &m_analyzer;
    AutoScanController &m_autoScan;
    Prompt &m_prompt;
    AnalysisOptions m_saved;        // as last written to T_set (or loaded)
    bool m_applyingOptions = false; // loaded values going into the controls
};
