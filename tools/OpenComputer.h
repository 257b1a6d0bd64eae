#pragma once

#include <QString>
#include <QStringList>

#include <span>

#include "platform/ProgramRunner.h"

class DesktopServices;
class ListModel;
class Prompt;

// "Open Computer": the scan list's current host handed to the desktop's
// handler for an http://, https:// or ftp:// address, or to the first RDP
// client installed; with no host highlighted, a client is started without
// one for the user to type. Neither waits for the program it starts. A list can be
// read from a file of anyone's making: a host that is not a dotted IPv4
// address is refused with a notice, never handed on.
class OpenComputer
{
public:
    // An RDP client: its program, how it takes the host to connect to (a
    // checked dotted quad), the Debian package it comes in, and whether it
    // starts without a host and lets the user type one.
    struct RdpClient
    {
        const char *program;
        QStringList (*arguments)(const QString &address);
        const char *package;
        bool asksForHost = false;
    };
    // In the order they are tried.
    static std::span<const RdpClient> rdpClients();

    static constexpr const char *NoCurrentRowText =
        "No host is highlighted: click the host in the scan list that you want to open.";

    OpenComputer(DesktopServices &desktop, ProgramRunner &runner, Prompt &prompt);

    // prefix: "http://", "https://" or "ftp://". An empty list does nothing.
    void openAs(const ListModel &scanList, const QString &prefix) const;
    // The first client of rdpClients() that starts, with the current host;
    // with none highlighted, the first one that asks for the host.
    void callRemoteDesktop(const ListModel &scanList) const;

    static QString noClientText();
    // The installed client cannot start without a host.
    static QString needsHostText(const RdpClient &client);
    static QString notAnAddressText(const QString &text);

private:
    void startWithoutHost() const;
    // Says so when the client started but not as it should have.
    ProgramOutcome::Status start(const RdpClient &client, const QStringList &arguments) const;

    DesktopServices &m_desktop;
    ProgramRunner &m_runner;
    Prompt &m_prompt;
};
