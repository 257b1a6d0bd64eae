#include "AnalysisInputs.h"

#include "AnalysisOptionsStore.h"
#include "RecordListModel.h"

#include <QCommandLineParser>

namespace {

// One option pair: --NAME ticks the box, --no-NAME unticks it, neither keeps
// the stored state.
bool readPair(const QCommandLineParser &parser, const QString &name, bool *value, QString *error)
{
    const bool on = parser.isSet(name);
    const bool off = parser.isSet(QStringLiteral("no-") + name);
    if (on && off) {
        *error = QStringLiteral("--%1 and --no-%1 exclude each other.").arg(name);
        return false;
    }
    if (on || off)
        *value = on;
    return true;
}

} // namespace

void AnalysisInputs::addOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("mac"), QStringLiteral("Analyze of MAC: look each IP address up in the records and "
                                               "compare the MAC address (default from the stored options).")},
        {QStringLiteral("no-mac"), QStringLiteral("No analysis of MAC.")},
        {QStringLiteral("ip"), QStringLiteral("Analyze of IP: look each MAC address up in the records and "
                                              "compare the IP address (default from the stored options).")},
        {QStringLiteral("no-ip"), QStringLiteral("No analysis of IP.")},
    });
}

bool AnalysisInputs::read(const QCommandLineParser &parser, QString *error, bool *usage)
{
    *usage = true;
    bool analyzeMac = false;
    bool analyzeIp = false;
    // Check the options before the database is touched.
    if (!readPair(parser, QStringLiteral("mac"), &analyzeMac, error) ||
        !readPair(parser, QStringLiteral("ip"), &analyzeIp, error))
        return false;
    *usage = false;
    AnalysisOptionsStore options(m_store);
    if (!options.LoadAnalysisOptions(&m_stored)) {
        *error = options.lastError();
        return false;
    }
    m_options.checks.analyzeMac = m_stored.analyzeMac;
    m_options.checks.analyzeIp = m_stored.analyzeIp;
    readPair(parser, QStringLiteral("mac"), &m_options.checks.analyzeMac, error);
    readPair(parser, QStringLiteral("ip"), &m_options.checks.analyzeIp, error);
    // Each command prints the findings of one analysis; nothing accumulates.
    m_options.clearBeforeAnalysis = false;
    return true;
}

bool AnalysisInputs::loadRecords(RecordListModel &records, QString *error)
{
    const auto loaded = m_store.loadAll();
    if (!loaded) {
        *error = m_store.lastError();
        return false;
    }
    records.setRecords(*loaded);
    return true;
}
