#pragma once

#include <QDateTime>
#include <QString>

// The small log of the reports in the data folder ("report.log"): one line a
// report, "yyyy-mm-dd hh:mm:ss", a tab, the outcome. Appended, never read by
// the program; a log that cannot be written is not an error of the report.
namespace ReportLog {

QString path(const QString &folder);
void append(const QString &folder, const QDateTime &at, const QString &outcome);

} // namespace ReportLog
