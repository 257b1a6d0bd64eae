#include "cli/ScanOptions.h"

#include "scan/ScanRun.h"
#include "scan/VendorResolver.h"

#include <QCommandLineParser>

namespace {

// The option's value, or fallback when it is not given.
Result<int> intOption(const QCommandLineParser &parser, const QString &name, int low, int high, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        return Failure{QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\".")
                           .arg(name)
                           .arg(low)
                           .arg(high)
                           .arg(parser.value(name))};
    }
    return v;
}

} // namespace

void ScanOptions::addTo(QCommandLineParser &parser, const QString &dataDirHelp)
{
    parser.addOptions({
        {QStringLiteral("method"),
         QStringLiteral("arp (a local network, up to a /16; default) or udp (any range)."),
         QStringLiteral("arp|udp"), QStringLiteral("arp")},
        {QStringLiteral("from"), QStringLiteral("First address of the range."), QStringLiteral("A.B.C.D")},
        {QStringLiteral("to"), QStringLiteral("Last address of the range."), QStringLiteral("A.B.C.D")},
        {QStringLiteral("range"),
         QStringLiteral("The range as a network instead of --from and --to: its host addresses, e.g. "
                        "198.18.7.0/24 for 198.18.7.1 to 198.18.7.254 (/31 both addresses, /32 one)."),
         QStringLiteral("A.B.C.D/NN")},
        {QStringLiteral("show-silent"),
         QStringLiteral("List hosts that did not answer as \"Non-Responded IP\".")},
        {QStringLiteral("pace-ms"),
         QStringLiteral("Pacing, 0 to 15 ms (default 15). Below 15 the scan runs in fast mode."),
         QStringLiteral("N")},
        {QStringLiteral("arp-timeout-ms"),
         QStringLiteral("How long an ARP request waits for its answer, 50 to 10000 ms (default 1000, fast "
                        "mode 300)."),
         QStringLiteral("N")},
        {QStringLiteral("data-dir"), dataDirHelp, QStringLiteral("DIR")},
    });
}

bool ScanOptions::anyScanOptionSet(const QCommandLineParser &parser)
{
    for (const char *name : {"method", "from", "to", "range", "show-silent", "pace-ms", "arp-timeout-ms"}) {
        if (parser.isSet(QLatin1String(name)))
            return true;
    }
    return false;
}

Result<> ScanOptions::readMethod(const QCommandLineParser &parser)
{
    const QString methodName = parser.value(QStringLiteral("method"));
    if (methodName == QLatin1String("arp")) {
        m_method = ScanMethod::Arp;
    } else if (methodName == QLatin1String("udp")) {
        m_method = ScanMethod::Udp;
    } else {
        return Failure{QStringLiteral("--method is arp or udp, not \"%1\".").arg(methodName)};
    }
    m_showSilent = parser.isSet(QStringLiteral("show-silent"));
    return {};
}

Result<> ScanOptions::readRangeAndPacing(const QCommandLineParser &parser)
{
    const bool network = parser.isSet(QStringLiteral("range"));
    const bool ends = parser.isSet(QStringLiteral("from")) || parser.isSet(QStringLiteral("to"));
    if (network && ends)
        return Failure{
            QStringLiteral("give the range either with --range or with --from and --to, not both.")};
    if (!network && (!parser.isSet(QStringLiteral("from")) || !parser.isSet(QStringLiteral("to")))) {
        return Failure{
            QStringLiteral("give the range with --from A.B.C.D --to A.B.C.D, or with --range A.B.C.D/NN.")};
    }
    const Result<int> pace = intOption(parser, QStringLiteral("pace-ms"), 0,
                                       HostSource::Pacing::DefaultPaceMs, HostSource::Pacing::DefaultPaceMs);
    if (!pace)
        return Failure{pace.error()};
    m_pacing = HostSource::Pacing::fromPace(*pace);
    const Result<int> arpTimeout =
        intOption(parser, QStringLiteral("arp-timeout-ms"), 50, 10000, m_pacing.arpTimeoutMs);
    if (!arpTimeout)
        return Failure{arpTimeout.error()};
    m_pacing.arpTimeoutMs = *arpTimeout;
    // The command line resolves an ARP range network by network; the window keeps to one.
    const auto reach = ScanRange::ArpReach::SeveralNetworks;
    Result<ScanRange> range =
        network ? ScanRange::fromPrefix(parser.value(QStringLiteral("range")), m_method, reach)
                : ScanRange::fromAddresses(parser.value(QStringLiteral("from")),
                                           parser.value(QStringLiteral("to")), m_method, reach);
    if (!range)
        return Failure{range.error()};
    m_range = *std::move(range);
    return {};
}

void ScanOptions::configure(ScanRun &run, const VendorResolver &vendors) const
{
    run.setPacing(m_pacing);
    run.setShowSilent(m_showSilent);
    run.setVendorLookup([&vendors](const QString &mac) { return vendors.vendorOf(mac); });
}
