#pragma once

#include <QDateTime>
#include <QString>

#include "lists/AcknowledgedSet.h"

class ListModel;

// What one report is: the body of the mail and the report file attached to
// it. The body is the Message setting, then a line of 32 asterisks and a
// closing line that says what came with it, lines joined by a single CR;
// when acknowledged findings were left out, a line says how many. A report
// of an explicitly named site ends with a line that names it, so that the
// mails of the watchers of many subnets can be told apart; without one the
// body is what it has always been.
// The report file is the analysis list in the text layout with its column
// headers, named by the moment the report is made, in the data folder; it
// is kept after sending. Findings acknowledged at that moment are neither
// counted nor written: a list of nothing else is reported as an empty one.
namespace ReportBuilder {

enum class Ending {
    Attached,     // "Get details from attachment."
    NoResults,    // "No analysis results. "
    NotGenerated, // "No Analysis Result generated. "
};

struct Plan
{
    bool send = false; // false: the list is empty and empty lists are not reported
    QString body;
    QString attachment; // empty: no attachment
    QString fileError;  // why the report file could not be written, when it could not
};

// leftOut: how many acknowledged findings the report leaves out. site: the
// site named by the user; empty when none was (the host name is not said).
QString body(const QString &message, Ending ending, int leftOut = 0, const QString &site = {});
// "Acknowledged findings left out: N"
QString leftOutText(int leftOut);
// "Site: NAME"
QString siteText(const QString &site);
// yyyy-mm-dd_hh-mm-ss_Results.TXT in the folder (hours 00 to 23).
QString filePath(const QString &folder, const QDateTime &at);

// Writes the report file when there are findings. skipEmpty: ISresult. The
// rows of the list are analysis list rows (AnalysisListModel's columns).
Plan make(const ListModel &analysisList, bool skipEmpty, const QString &message, const QString &folder,
          const QDateTime &at, const AcknowledgedSet &acknowledged = {}, const QString &site = {});

} // namespace ReportBuilder
