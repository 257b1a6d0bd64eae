#include "ReportBuilder.h"

#include <QFileInfo>

#include "ListModel.h"
#include "ListTextWriter.h"

namespace ReportBuilder {

QString body(const QString &message, Ending ending)
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
    return message + Cr + Cr + QString(32, QLatin1Char('*')) + Cr + Cr + last;
}

QString filePath(const QString &folder, const QDateTime &at)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + at.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral("_Results.TXT");
}

Plan make(const ListModel &analysisList, bool skipEmpty, const QString &message, const QString &folder,
          const QDateTime &at)
{
    Plan plan;
    if (analysisList.count() == 0) {
        if (!skipEmpty) {
            plan.send = true;
            plan.body = body(message, Ending::NoResults);
        }
        return plan;
    }
    plan.send = true;
    const QString path = filePath(folder, at);
    const Result<> written = ListTextWriter::write(analysisList, path, true);
    if (written && QFileInfo::exists(path)) {
        plan.body = body(message, Ending::Attached);
        plan.attachment = path;
    } else {
        plan.body = body(message, Ending::NotGenerated);
        plan.fileError = written ? QStringLiteral("%1 was not written.").arg(path) : written.error();
    }
    return plan;
}

} // namespace ReportBuilder
