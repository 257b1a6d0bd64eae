#pragma once

#include <QString>

// One row of the analysis list: a finding of the analysis. Column 0 holds no
// text, only the warning icon.
struct AnalysisEntry
{
    QString dateTime; // date and time of the finding, "date; time", system short formats
    QString result;   // the finding text
};
