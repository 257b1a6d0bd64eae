#pragma once

#include <cstdio>

class AnalysisListModel;

// Writes findings as they are appended to an analysis list, one a line:
// "Date/Time", a tab, "Result", and AcknowledgedMark after an acknowledged
// finding. Flushes after each line, so that a script
// reading a pipe sees every finding when it is made.
class FindingPrinter
{
public:
    static constexpr const char *AcknowledgedMark = " (acknowledged)";

    FindingPrinter(const AnalysisListModel &list, std::FILE *out) : m_list(list), m_out(out) {}

    void printRows(int first, int last);

private:
    const AnalysisListModel &m_list;
    std::FILE *m_out;
};
