#include "mail/ReportBuilder.h"

#include <QFileInfo>
#include <memory>

#include "export/ListTextWriter.h"
#include "lists/AnalysisListModel.h"
#include "lists/ListModel.h"

namespace ReportBuilder {

QString leftOutText(int leftOut)
{
    return QStringLiteral("Acknowledged findings left out: %1").arg(leftOut);
}

QString siteText(const QString &site)
{
    return QStringLiteral("Site: %1").arg(site);
}

QString body(const QString &message, Ending ending, int leftOut, const QString &site)
{
    static const QString Cr(QChar(13));
    QString last;
    switch (ending) {
    case Ending::Attached:
        last = QStringLiteral("Get details from attachment.");
        break;
    case Ending::NoResults:
        last = QStringLiteral("No analysis results. ");
        break;
    case Ending::NotGenerated:
        last = QStringLiteral("No Analysis Result generated. ");
        break;
    }
    QString text = message + Cr + Cr + QString(32, QLatin1Char('*')) + Cr + Cr + last;
    if (leftOut > 0)
        text += Cr + Cr + leftOutText(leftOut);
    if (!site.isEmpty())
        text += Cr + Cr + siteText(site);
    return text;
}

QString filePath(const QString &folder, const QDateTime &at)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + at.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral("_Results.TXT");
}

namespace {

// The rows of the list whose pair is not acknowledged at the moment, in a
// list of the same columns.
std::unique_ptr<ListModel> reported(const ListModel &analysisList, const QDateTime &at,
                                    const AcknowledgedSet &acknowledged)
{
    QStringList headers;
    for (int column = 0; column < analysisList.columnCount(); ++column)
        headers.append(analysisList.headerData(column, Qt::Horizontal).toString());
    auto kept = std::make_unique<ListModel>(headers, false);
    QList<ListRow> rows;
    for (int row = 0; row < analysisList.count(); ++row) {
        if (!acknowledged.isAcknowledged(analysisList.text(row, AnalysisListModel::IpColumn),
                                         analysisList.text(row, AnalysisListModel::MacColumn), at))
            rows.append(analysisList.row(row));
    }
    kept->appendRows(std::move(rows));
    return kept;
}

} // namespace

Plan make(const ListModel &analysisList, bool skipEmpty, const QString &message, const QString &folder,
          const QDateTime &at, const AcknowledgedSet &acknowledged, const QString &site)
{
    Plan plan;
    const std::unique_ptr<ListModel> kept = reported(analysisList, at, acknowledged);
    const int leftOut = analysisList.count() - kept->count();
    if (kept->count() == 0) {
        if (!skipEmpty) {
            plan.send = true;
            plan.body = body(message, Ending::NoResults, leftOut, site);
        }
        return plan;
    }
    plan.send = true;
    const QString path = filePath(folder, at);
    const Result<> written = ListTextWriter::write(*kept, path, true);
    if (written && QFileInfo::exists(path)) {
        plan.body = body(message, Ending::Attached, leftOut, site);
        plan.attachment = path;
    } else {
        plan.body = body(message, Ending::NotGenerated, leftOut, site);
        plan.fileError = written ? QStringLiteral("%1 was not written.").arg(path) : written.error();
    }
    return plan;
}

} // namespace ReportBuilder
