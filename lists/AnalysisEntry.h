#pragma once

#include <QString>

// One row of the analysis list: a finding of the analysis. Column 0 holds no
// text, only the warning icon.
struct AnalysisEntry
{
    QString dateTime;          // date and time of the finding, "date; time", system short formats
    QString result;            // the finding text
    QString ip = {};           // the scan row's IP address, as the scan gave it
    QString mac = {};          // the scan row's MAC address, as the scan gave it
    bool acknowledged = false; // marked "known, leave it" when the finding was made
};
