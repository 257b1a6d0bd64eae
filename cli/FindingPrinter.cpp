#include "cli/FindingPrinter.h"

#include "lists/AnalysisListModel.h"
#include "platform/TerminalText.h"

QList<QJsonObject> FindingPrinter::printRows(int first, int last)
{
    QList<QJsonObject> objects;
    for (int row = first; row <= last; ++row) {
        const AnalysisEntry entry = m_list.entry(row);
        objects.append(
            JsonLines::finding(entry.result, QDateTime::currentDateTimeUtc(), entry.acknowledged, m_site));
        if (m_format == Format::Json) {
            JsonLines::write(m_out, objects.last());
            continue;
        }
        std::fprintf(m_out, "%s\t%s%s\n", TerminalText::printable(entry.dateTime).toUtf8().constData(),
                     TerminalText::printable(entry.result).toUtf8().constData(),
                     entry.acknowledged ? AcknowledgedMark : "");
    }
    std::fflush(m_out);
    return objects;
}
