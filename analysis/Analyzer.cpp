#include "analysis/Analyzer.h"

#include <QLocale>

#include "lists/AnalysisListModel.h"
#include "lists/RecordListModel.h"
#include "lists/ScanListModel.h"

Analyzer::Analyzer(ScanListModel *scanList, const RecordListModel *records, AnalysisListModel *analysisList,
                   Clock clock)
    : m_scanList(scanList),
      m_records(records),
      m_analysisList(analysisList),
      m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentDateTime))
{
}

QString Analyzer::dateTimeText(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1String("; ") +
           locale.toString(when.time(), QLocale::ShortFormat);
}

AcknowledgedSet Analyzer::acknowledgedNow() const
{
    return m_acknowledgements ? m_acknowledgements(m_clock()) : AcknowledgedSet();
}

int Analyzer::analyzeRow(const AnalysisRules &rules, const AcknowledgedSet &acknowledged, int row)
{
    const QString ip = m_scanList->text(row, ScanListModel::IpColumn);
    const QString mac = m_scanList->text(row, ScanListModel::MacColumn);
    const QStringList found = rules.findings(ip, mac, m_options.checks, m_scanList->scanRow(row).otherMacs);
    int unacknowledged = 0;
    for (const QString &result : found) {
        const QDateTime now = m_clock();
        const bool known = acknowledged.isAcknowledged(ip, mac, now);
        m_analysisList->appendEntry({dateTimeText(now), result, ip, mac, known});
        unacknowledged += known ? 0 : 1;
    }
    return unacknowledged;
}

int Analyzer::AnalyzeAll()
{
    const int count = m_scanList->count();
    if (count == 0)
        return 0;
    if (m_options.clearBeforeAnalysis)
        m_analysisList->clear();
    const AnalysisRules rules(*m_records);
    const AcknowledgedSet acknowledged = acknowledgedNow();
    int appended = 0;
    for (int row = 0; row < count; ++row)
        appended += analyzeRow(rules, acknowledged, row);
    // The walk highlights each row in turn; only where it ends can be seen,
    // so the highlight moves once instead of once per row.
    m_scanList->setCurrentRow(count - 1);
    return appended;
}

int Analyzer::AnalyzeSelected()
{
    if (m_scanList->count() == 0)
        return 0;
    if (m_scanList->currentRow() <= 0)
        m_scanList->setCurrentRow(0);
    const int row = m_scanList->currentRow();
    if (m_options.clearBeforeAnalysis)
        m_analysisList->clear();
    return analyzeRow(AnalysisRules(*m_records), acknowledgedNow(), row);
}

void Analyzer::ClearAnalysisList()
{
    m_analysisList->clear();
}
