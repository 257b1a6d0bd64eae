#include "cli/FindingPrinter.h"

#include "lists/AnalysisListModel.h"
#include "platform/TerminalText.h"

void FindingPrinter::printRows(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const AnalysisEntry entry = m_list.entry(row);
        if (m_format == Format::Json) {
            JsonLines::write(m_out, JsonLines::finding(entry.result, QDateTime::currentDateTimeUtc(),
                                                       entry.acknowledged, m_site));
            continue;
        }
        std::fprintf(m_out, "%s\t%s%s\n", TerminalText::printable(entry.dateTime).toUtf8().constData(),
                     TerminalText::printable(entry.result).toUtf8().constData(),
                     entry.acknowledged ? AcknowledgedMark : "");
    }
    std::fflush(m_out);
}
