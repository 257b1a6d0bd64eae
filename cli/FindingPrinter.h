#pragma once

#include <QJsonObject>
#include <QList>

#include <cstdio>

#include "cli/JsonLines.h"

class AnalysisListModel;

// Writes findings as they are appended to an analysis list, one a line:
// "Date/Time", a tab, "Result", and AcknowledgedMark after an acknowledged
// finding. Flushes after each line, so that a script reading a pipe sees every
// finding when it is made. In JSON, one object a finding (JsonLines::finding),
// timed when it is printed and tagged with the site.
// printRows returns those objects in either format, for the notifiers.
class FindingPrinter
{
public:
    enum class Format { Table, Json };
    static constexpr const char *AcknowledgedMark = " (acknowledged)";

    FindingPrinter(const AnalysisListModel &list, std::FILE *out, Format format = Format::Table,
                   const QString &site = {})
        : m_list(list), m_out(out), m_format(format), m_site(site)
    {
    }

    QList<QJsonObject> printRows(int first, int last);

private:
    const AnalysisListModel &m_list;
    std::FILE *m_out;
    Format m_format;
    QString m_site;
};
