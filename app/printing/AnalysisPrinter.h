#pragma once

#include <QString>

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

    // False when the printer cannot be started; *error then says why.
    bool print(QPrinter &printer, QString *error) const;

private:
    const AnalysisListModel &m_list;
};
