#include "OpenComputer.h"

#include <QUrl>

#include "DesktopServices.h"
#include "ListModel.h"
#include "ProgramRunner.h"
#include "Prompt.h"
#include "ScanListModel.h"

namespace {

const OpenComputer::RdpClient RdpClients[] = {
    {"xfreerdp", [](const QString &address) { return QStringList{QStringLiteral("/v:") + address}; },
     "freerdp2-x11"},
    {"remmina",
     [](const QString &address) {
         return QStringList{QStringLiteral("-c"), QStringLiteral("rdp://") + address};
     },
     "remmina and remmina-plugin-rdp"},
    {"rdesktop", [](const QString &address) { return QStringList{address}; }, "rdesktop"},
};

} // namespace

std::span<const OpenComputer::RdpClient> OpenComputer::rdpClients()
{
    return RdpClients;
}

OpenComputer::OpenComputer(DesktopServices &desktop, ProgramRunner &runner, Prompt &prompt)
    : m_desktop(desktop), m_runner(runner), m_prompt(prompt)
{
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
    // The address is used as the list shows it, a marker row's too.
    const QString address = prefix + scanList.text(row, ScanListModel::IpColumn);
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
    const QString address = scanList.text(row, ScanListModel::IpColumn);
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
