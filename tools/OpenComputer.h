#pragma once

#include <QString>
#include <QStringList>

#include <span>

class DesktopServices;
class ListModel;
class ProgramRunner;
class Prompt;

// "Open Computer": the scan list's current host handed to the desktop's
// handler for an http://, https:// or ftp:// address, or to the first RDP
// client installed. Neither waits for the program it starts. A list can be
// read from a file of anyone's making: a host that is not a dotted IPv4
// address is refused with a notice, never handed on.
class OpenComputer
{
public:
    // An RDP client: its program, how it takes the host to connect to (a
    // checked dotted quad), and the Debian package it comes in.
    struct RdpClient
    {
        const char *program;
        QStringList (*arguments)(const QString &address);
        const char *package;
    };
    // In the order they are tried.
    static std::span<const RdpClient> rdpClients();

    static constexpr const char *NoCurrentRowText =
        "No host is highlighted: click the host in the scan list that you want to open.";
    static constexpr const char *EmptyListText = "The scan list is empty: there is no host to connect to.";

    OpenComputer(DesktopServices &desktop, ProgramRunner &runner, Prompt &prompt);

    // prefix: "http://", "https://" or "ftp://". An empty list does nothing.
    void openAs(const ListModel &scanList, const QString &prefix) const;
    // The first client of rdpClients() that starts, with the current host.
    void callRemoteDesktop(const ListModel &scanList) const;

    static QString noClientText();
    static QString notAnAddressText(const QString &text);

private:
    DesktopServices &m_desktop;
    ProgramRunner &m_runner;
    Prompt &m_prompt;
};
