#include "tools/NeighbourBinder.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include "platform/ProgramRunner.h"
#include "tools/ArpBindingCheck.h"
#include "tools/MacAddressBytes.h"

#include <algorithm>
#include <optional>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// By their paths, never looked up on PATH: a program run with privilege must
// be the system's own, and pkexec clears PATH for the program it runs anyway.
// Debian 12's iproute2 installs ip as /sbin/ip (and /bin/ip).
const QString IpProgram = QStringLiteral("/sbin/ip");
const QString PkexecProgram = QStringLiteral("/usr/bin/pkexec");

// pkexec waits for the user to authenticate in the desktop's agent.
constexpr auto IpTimeout = 10s;
constexpr auto PkexecTimeout = 120s;
// pkexec's own statuses: the user dismissed the dialog / was not authorised.
constexpr int PkexecDismissed = 126;
constexpr int PkexecNotAuthorised = 127;

QString firstLine(const QByteArray &bytes)
{
    const QString text = QString::fromLocal8Bit(bytes).trimmed();
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

NeighbourBinder::NeighbourBinder(ProgramRunner &runner, const QList<LocalNetwork> &networks, bool asRoot)
    : m_runner(runner), m_networks(networks), m_asRoot(asRoot)
{
}

NeighbourBinder::NeighbourBinder(ProgramRunner &runner)
    : NeighbourBinder(runner, localNetworks(), ::geteuid() == 0)
{
}

QList<LocalNetwork> NeighbourBinder::localNetworks()
{
    QList<LocalNetwork> networks;
    for (const QNetworkInterface &face : QNetworkInterface::allInterfaces()) {
        if (!face.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        for (const QNetworkAddressEntry &entry : face.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                networks.append({face.name(), entry.ip().toIPv4Address(), entry.prefixLength()});
        }
    }
    return networks;
}

QString NeighbourBinder::interfaceFor(quint32 address) const
{
    QString best;
    int bestLength = -1;
    for (const LocalNetwork &network : m_networks) {
        const int length = network.prefixLength;
        if (length < 0 || length > 32 || length <= bestLength)
            continue;
        const quint32 mask = length == 0 ? 0 : ~quint32(0) << (32 - length);
        if ((network.address & mask) == (address & mask)) {
            best = network.interfaceName;
            bestLength = length;
        }
    }
    return best;
}

QList<NeighbourBinder::Outcome> NeighbourBinder::apply(const QList<ArpBinding> &bindings,
                                                       const std::function<void(int done)> &step) const
{
    QList<Outcome> outcomes;
    for (const ArpBinding &binding : bindings) {
        outcomes.append(applyOne(binding));
        if (step)
            step(int(outcomes.size()));
    }
    return outcomes;
}

NeighbourBinder::Outcome NeighbourBinder::applyOne(const ArpBinding &binding) const
{
    Outcome outcome{binding, false, {}, {}};
    outcome.reason = ArpBindingCheck::refusal(binding);
    if (!outcome.reason.isEmpty())
        return outcome;
    const QHostAddress address(binding.ip);
    const std::optional<MacBytes> mac = MacAddressBytes::parse(binding.mac);
    const QString face = interfaceFor(address.toIPv4Address());
    if (face.isEmpty()) {
        outcome.reason = QStringLiteral("no network interface of this machine is on its network");
        return outcome;
    }

    const QStringList ipArguments{QStringLiteral("neigh"),
                                  QStringLiteral("replace"),
                                  address.toString(),
                                  QStringLiteral("lladdr"),
                                  MacAddressBytes::colonForm(*mac),
                                  QStringLiteral("nud"),
                                  QStringLiteral("permanent"),
                                  QStringLiteral("dev"),
                                  face};
    ProgramRun run;
    if (m_asRoot) {
        run.program = IpProgram;
        run.arguments = ipArguments;
        run.timeout = IpTimeout;
    } else {
        run.program = PkexecProgram;
        run.arguments = QStringList{IpProgram} + ipArguments;
        run.timeout = PkexecTimeout;
    }
    const ProgramOutcome ran = m_runner.run(run);
    switch (ran.status) {
    case ProgramOutcome::Status::NotInstalled:
        outcome.reason = m_asRoot ? QStringLiteral("ip is not installed (Debian package iproute2)")
                                  : QStringLiteral("pkexec is not installed (Debian package pkexec); "
                                                   "or run the command as root");
        return outcome;
    case ProgramOutcome::Status::TimedOut:
        outcome.reason = QStringLiteral("%1 did not finish in time").arg(run.program);
        return outcome;
    case ProgramOutcome::Status::Crashed:
        outcome.reason = QStringLiteral("%1 crashed").arg(run.program);
        return outcome;
    case ProgramOutcome::Status::Finished:
        break;
    }
    if (ran.exitCode == 0) {
        outcome.applied = true;
        outcome.interfaceName = face;
        return outcome;
    }
    if (!m_asRoot && ran.exitCode == PkexecDismissed)
        outcome.reason = QStringLiteral("the request for administrator rights was dismissed");
    else if (!m_asRoot && ran.exitCode == PkexecNotAuthorised)
        outcome.reason = QStringLiteral("administrator rights were refused");
    else if (const QString said = firstLine(ran.standardError); !said.isEmpty())
        outcome.reason = said;
    else
        outcome.reason = QStringLiteral("ip failed with status %1").arg(ran.exitCode);
    return outcome;
}

bool NeighbourBinder::allApplied(const QList<Outcome> &outcomes)
{
    return std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome &o) { return o.applied; });
}

QString NeighbourBinder::report(const QList<Outcome> &outcomes)
{
    QStringList applied;
    QStringList failed;
    for (const Outcome &outcome : outcomes) {
        if (outcome.applied)
            applied.append(QStringLiteral("%1 %2 on %3")
                               .arg(outcome.binding.ip, outcome.binding.mac, outcome.interfaceName));
        else
            failed.append(
                QStringLiteral("%1 %2: %3").arg(outcome.binding.ip, outcome.binding.mac, outcome.reason));
    }
    QStringList parts;
    if (!applied.isEmpty())
        parts.append(QStringLiteral("Bound in this machine's neighbour table (%1):\n").arg(applied.size()) +
                     applied.join(QLatin1Char('\n')));
    if (!failed.isEmpty())
        parts.append(QStringLiteral("Not bound (%1):\n").arg(failed.size()) + failed.join(QLatin1Char('\n')));
    return parts.join(QStringLiteral("\n\n"));
}
