#include "cli/AnalysisSession.h"

#include "cli/CommandLine.h"
#include "cli/DataDirOption.h"
#include "cli/SiteOption.h"
#include "history/HistoryRecorder.h"

#include <QCommandLineParser>

std::optional<int> AnalysisSession::readScanOptions(const CommandLine &command,
                                                    const QCommandLineParser &parser, Source source)
{
    if (const Result<> method = m_scanOptions.readMethod(parser); !method)
        return command.usageError(method.error());
    m_fromFile = source == Source::ScanOrFile && parser.isSet(QStringLiteral("scan-file"));
    if (m_fromFile && ScanOptions::anyScanOptionSet(parser))
        return command.usageError(
            QStringLiteral("--scan-file takes the place of a scan: give no scan options with it."));
    if (m_fromFile)
        return std::nullopt;
    if (const Result<> range = m_scanOptions.readRangeAndPacing(parser); !range)
        return command.usageError(range.error());
    return std::nullopt;
}

std::optional<int> AnalysisSession::open(const CommandLine &command, const QCommandLineParser &parser)
{
    if (const Result<> checked = AnalysisInputs::checkOptions(parser); !checked)
        return command.usageError(checked.error());
    const Result<QString> site = SiteOption::read(parser);
    if (!site)
        return command.usageError(site.error());
    m_site = *site;
    const Result<QString> folder = DataDirOption::read(parser);
    if (!folder)
        return command.failure(folder.error());
    m_dataFolder = *folder;
    m_inputs.emplace(m_dataFolder);
    if (const Result<> read = m_inputs->read(parser); !read)
        return command.failure(read.error());
    return std::nullopt;
}

QString AnalysisSession::shownSite() const
{
    return m_site.isEmpty() ? HistoryRecorder::defaultSite() : m_site;
}

void AnalysisSession::configure(Analyzer &analyzer) const
{
    analyzer.setOptions(m_inputs->analyzerOptions());
    analyzer.setAcknowledgementSource(m_inputs->acknowledgements());
}
