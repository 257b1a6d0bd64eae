#pragma once

#include <QString>

#include "AnalysisOptionsStore.h"
#include "RecordStore.h"

// Every window a test starts finds the automatic mode off in its data folder:
// an empty T_set switches it on, and its step would scan the window's default
// range, the machine's own network. The other stored options are kept, so a
// test can start a window again and find what the last one saved.
inline bool storeAutoScanOff(const QString &dataFolder)
{
    RecordStore store(dataFolder);
    AnalysisOptionsStore options(store);
    Result<AnalysisOptions> values = options.LoadAnalysisOptions();
    if (!values)
        return false;
    values->autoScan = false;
    return options.SaveAnalysisOptions(*values).ok();
}
