#include "cli/AnalysisInputs.h"

#include "cli/DatabaseOption.h"
#include "records/AcknowledgementStore.h"

#include "analysis/AnalysisOptionsStore.h"
#include "lists/RecordListModel.h"

#include <QCommandLineParser>
#include <cstdio>
#include <optional>

namespace {

// One option pair: --NAME ticks the box, --no-NAME unticks it, neither keeps
// the stored state (nothing).
Result<std::optional<bool>> readPair(const QCommandLineParser &parser, const QString &name)
{
    const bool on = parser.isSet(name);
    const bool off = parser.isSet(QStringLiteral("no-") + name);
    if (on && off)
        return Failure{QStringLiteral("--%1 and --no-%1 exclude each other.").arg(name)};
    if (on || off)
        return std::optional<bool>(on);
    return std::optional<bool>();
}

const char *const Pairs[] = {"mac", "ip"};
// --password-file is the mail server's on report and watch.
const char *const PasswordOption = "database-password-file";

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
    DatabaseOption::addTo(parser, PasswordOption);
}

Result<> AnalysisInputs::checkOptions(const QCommandLineParser &parser)
{
    for (const char *name : Pairs) {
        if (const Result<std::optional<bool>> pair = readPair(parser, QLatin1String(name)); !pair)
            return Failure{pair.error()};
    }
    if (const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser, PasswordOption);
        !server)
        return Failure{server.error()};
    return {};
}

Result<> AnalysisInputs::read(const QCommandLineParser &parser)
{
    const Result<std::optional<DatabaseUrl>> server = DatabaseOption::read(parser, PasswordOption);
    if (!server)
        return Failure{server.error()};
    m_store = RecordStore(m_dataFolder, *server);
    const Result<AnalysisOptions> stored = AnalysisOptionsStore(m_store).LoadAnalysisOptions();
    if (!stored)
        return Failure{stored.error()};
    m_stored = *stored;
    const Result<std::optional<bool>> mac = readPair(parser, QStringLiteral("mac"));
    const Result<std::optional<bool>> ip = readPair(parser, QStringLiteral("ip"));
    m_options.checks.analyzeMac = mac ? mac->value_or(m_stored.analyzeMac) : m_stored.analyzeMac;
    m_options.checks.analyzeIp = ip ? ip->value_or(m_stored.analyzeIp) : m_stored.analyzeIp;
    // Each command prints the findings of one analysis; nothing accumulates.
    m_options.clearBeforeAnalysis = false;
    return {};
}

Result<> AnalysisInputs::loadRecords(RecordListModel &records)
{
    const Result<QList<PresetRecord>> loaded = m_store.loadAll();
    if (!loaded)
        return Failure{loaded.error()};
    records.setRecords(*loaded);
    return {};
}

Analyzer::AcknowledgementSource AnalysisInputs::acknowledgements() const
{
    return [store = m_store, unread = m_acknowledgementsUnread](const QDateTime &at) {
        const Result<AcknowledgedSet> active = AcknowledgementStore(store).activeAt(at);
        *unread = !active;
        if (active)
            return *active;
        std::fprintf(stderr, "%s\nNo finding is shown as acknowledged.\n", qPrintable(active.error()));
        return AcknowledgedSet();
    };
}
