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
     "remmina and remmina-plugin-rdp"},
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
    if (scanList.count() == 0) {
        m_prompt.notice(QLatin1String(EmptyListText));
        return;
    }
    const int row = scanList.currentRow();
    if (row < 0 || row >= scanList.count()) {
        m_prompt.notice(QLatin1String(NoCurrentRowText));
        return;
    }
    const QString text = scanList.text(row, ScanListModel::IpColumn);
    const QString address = checkedAddress(text);
    if (address.isEmpty()) {
        m_prompt.notice(notAnAddressText(text));
        return;
    }
    for (const RdpClient &client : RdpClients) {
        ProgramRun run;
        run.program = QLatin1String(client.program);
        run.arguments = client.arguments(address);
        switch (m_runner.startDetached(run)) {
        case ProgramOutcome::Status::Finished:
            return;
        case ProgramOutcome::Status::NotInstalled:
            continue;
        case ProgramOutcome::Status::TimedOut:
        case ProgramOutcome::Status::Crashed:
            m_prompt.notice(QStringLiteral("%1 could not be started.").arg(run.program));
            return;
        }
    }
    m_prompt.notice(noClientText());
}
