#include "tools/OpenComputer.h"

#include <QHostAddress>
#include <QUrl>

#include "lists/ListModel.h"
#include "lists/ScanListModel.h"
#include "platform/DesktopServices.h"
#include "platform/ProgramRunner.h"
#include "platform/Prompt.h"

namespace {

const OpenComputer::RdpClient RdpClients[] = {
    {"xfreerdp", [](const QString &address) { return QStringList{QStringLiteral("/v:") + address}; },
     "freerdp2-x11"},
    {"remmina",
     [](const QString &address) {
         return QStringList{QStringLiteral("-c"), QStringLiteral("rdp://") + address};
     },
     "remmina and remmina-plugin-rdp", true},
    // rdesktop reads its options with getopt: after "--" nothing is one.
    {"rdesktop",
     [](const QString &address) {
         return QStringList{QStringLiteral("--"), address};
     },
     "rdesktop"},
};

// Dotted quads only, written out anew from the parsed address: what reaches
// a client can never be read as one of its options, nor name another host
// than the list shows (QHostAddress also takes "198.18.7" for 198.18.0.7).
QString checkedAddress(const QString &text)
{
    QHostAddress address;
    if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        address.toString() != text)
        return {};
    return address.toString();
}

} // namespace

std::span<const OpenComputer::RdpClient> OpenComputer::rdpClients()
{
    return RdpClients;
}

OpenComputer::OpenComputer(DesktopServices &desktop, ProgramRunner &runner, Prompt &prompt)
    : m_desktop(desktop), m_runner(runner), m_prompt(prompt)
{
}

QString OpenComputer::notAnAddressText(const QString &text)
{
    return QStringLiteral("\"%1\" is not an IPv4 address: there is no host to connect to.")
        .arg(text.left(64));
}

QString OpenComputer::noClientText()
{
    QStringList offers;
    for (const RdpClient &client : RdpClients)
        offers.append(
            QStringLiteral("%1 (%2)").arg(QLatin1String(client.program), QLatin1String(client.package)));
    return QStringLiteral("No Remote Desktop client is installed. Install one of these Debian packages: %1.")
        .arg(offers.join(QStringLiteral(", ")));
}

QString OpenComputer::needsHostText(const RdpClient &client)
{
    QStringList askers;
    for (const RdpClient &other : RdpClients) {
        if (other.asksForHost)
            askers.append(
                QStringLiteral("%1 (%2)").arg(QLatin1String(other.program), QLatin1String(other.package)));
    }
    return QStringLiteral("%1 needs the host to connect to: click it in the scan list first, or install %2, "
                          "which asks for it.")
        .arg(QLatin1String(client.program), askers.join(QStringLiteral(" or ")));
}

void OpenComputer::openAs(const ListModel &scanList, const QString &prefix) const
{
    if (scanList.count() == 0)
        return;
    const int row = scanList.currentRow();
    if (row < 0 || row >= scanList.count()) {
        m_prompt.notice(QLatin1String(NoCurrentRowText));
        return;
    }
    // A marker row's address is used as well.
    const QString text = scanList.text(row, ScanListModel::IpColumn);
    const QString host = checkedAddress(text);
    if (host.isEmpty()) {
        m_prompt.notice(notAnAddressText(text));
        return;
    }
    const QString address = prefix + host;
    if (!m_desktop.openUrl(QUrl(address)))
        m_prompt.notice(QStringLiteral("No program to open %1 was found.").arg(address));
}

void OpenComputer::callRemoteDesktop(const ListModel &scanList) const
{
    const int row = scanList.currentRow();
    if (row < 0 || row >= scanList.count()) {
        startWithoutHost();
        return;
    }
    const QString text = scanList.text(row, ScanListModel::IpColumn);
    const QString address = checkedAddress(text);
    if (address.isEmpty()) {
        m_prompt.notice(notAnAddressText(text));
        return;
    }
    for (const RdpClient &client : RdpClients) {
        if (start(client, client.arguments(address)) != ProgramOutcome::Status::NotInstalled)
            return;
    }
    m_prompt.notice(noClientText());
}

void OpenComputer::startWithoutHost() const
{
    for (const RdpClient &client : RdpClients) {
        if (client.asksForHost && start(client, {}) != ProgramOutcome::Status::NotInstalled)
            return;
    }
    // Started without a host, the others only print their usage and end.
    for (const RdpClient &client : RdpClients) {
        if (!client.asksForHost && m_runner.isInstalled(QLatin1String(client.program))) {
            m_prompt.notice(needsHostText(client));
            return;
        }
    }
    m_prompt.notice(noClientText());
}

ProgramOutcome::Status OpenComputer::start(const RdpClient &client, const QStringList &arguments) const
{
    ProgramRun run;
    run.program = QLatin1String(client.program);
    run.arguments = arguments;
    const ProgramOutcome::Status status = m_runner.startDetached(run);
    if (status == ProgramOutcome::Status::TimedOut || status == ProgramOutcome::Status::Crashed)
        m_prompt.notice(QStringLiteral("%1 could not be started.").arg(run.program));
    return status;
}
