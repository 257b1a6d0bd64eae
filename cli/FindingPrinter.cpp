#include "FindingPrinter.h"

#include "AnalysisListModel.h"
#include "TerminalText.h"

void FindingPrinter::printRows(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const AnalysisEntry entry = m_list.entry(row);
        std::fprintf(m_out, "%s\t%s%s\n", TerminalText::printable(entry.dateTime).toUtf8().constData(),
                     TerminalText::printable(entry.result).toUtf8().constData(),
                     entry.acknowledged ? AcknowledgedMark : "");
    }
    std::fflush(m_out);
}
