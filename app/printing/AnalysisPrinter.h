#pragma once

#include <QString>

#include "platform/Result.h"

class AnalysisListModel;
class QPrinter;

// Prints the analysis list: the title "Netkestrel Analysis of the scanning
// result" at the top of every page, the column headers, the rows (long
// results wrap within their column), and "Page N" at the foot of each page.
// The printer is set up by the caller (a print dialog, or a PDF file).
class AnalysisPrinter
{
public:
    static constexpr const char *Title = "Netkestrel Analysis of the scanning result";

    explicit AnalysisPrinter(const AnalysisListModel &list) : m_list(list) {}

    // Fails when the printer cannot be started.
    Result<> print(QPrinter &printer) const;

private:
    const AnalysisListModel &m_list;
};
