#pragma once

#include "platform/Result.h"
#include "scan/HostSource.h"
#include "scan/ScanMethod.h"
#include "scan/ScanRange.h"

#include <QString>
#include <optional>

class QCommandLineParser;
class ScanRun;
class VendorResolver;

// The scan options that every scanning command takes: --method, --from,
// --to (or --range), --show-silent, --pace-ms, --arp-timeout-ms and --data-dir. The
// checks run in two parts so that a command can check options of its own
// in between; each part stops at the first fault and names it.
class ScanOptions
{
public:
    static void addTo(QCommandLineParser &parser, const QString &dataDirHelp);

    Result<> readMethod(const QCommandLineParser &parser);
    // Needs readMethod first. The range must be given, by its two ends or as
    // a network, not both.
    Result<> readRangeAndPacing(const QCommandLineParser &parser);
    // Whether any option that only a scan uses was given.
    static bool anyScanOptionSet(const QCommandLineParser &parser);

    ScanMethod method() const { return m_method; }
    const ScanRange &range() const { return *m_range; }
    const HostSource::Pacing &pacing() const { return m_pacing; }
    bool showSilent() const { return m_showSilent; }

    // Pacing, marker rows and vendor names of a run; vendors must outlive it.
    void configure(ScanRun &run, const VendorResolver &vendors) const;

private:
    ScanMethod m_method = ScanMethod::Arp;
    std::optional<ScanRange> m_range;
    HostSource::Pacing m_pacing;
    bool m_showSilent = false;
};
