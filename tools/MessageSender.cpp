#include "tools/MessageSender.h"

#include "platform/ProgramRunner.h"

#include <QHostAddress>

namespace {

constexpr MessageSender::ErrorMarker ErrorMarkers[] = {
    // A session was set up but the message was turned down or cut off.
    {"NT_STATUS_REQUEST_NOT_ACCEPTED", MessageSender::NotAccepted},
    {"NT_STATUS_CONNECTION_DISCONNECTED", MessageSender::NotAccepted},
    {"NT_STATUS_CONNECTION_RESET", MessageSender::NotAccepted},
    // The name did not resolve to a computer.
    {"NT_STATUS_NOT_FOUND", MessageSender::NameNotFound},
    {"NT_STATUS_BAD_NETWORK_NAME", MessageSender::NameNotFound},
    {"NT_STATUS_OBJECT_NAME_NOT_FOUND", MessageSender::NameNotFound},
    // No connection at all.
    {"NT_STATUS_CONNECTION_REFUSED", MessageSender::NetworkError},
    {"NT_STATUS_HOST_UNREACHABLE", MessageSender::NetworkError},
    {"NT_STATUS_NETWORK_UNREACHABLE", MessageSender::NetworkError},
    {"NT_STATUS_IO_TIMEOUT", MessageSender::NetworkError},
};

constexpr MessageSender::Wording Wordings[] = {
    {0, "The message was successfully sent"},
    {5, "Access to computer denied"},
    {50, "Network request not supported."},
    {53, "Sent From server name not found."},
    {87, "Invalid parameter(s) specified."},
    {123, "Illegal character or malformed name."},
    {2136, "General network error occurred"},
    {2250, "Network connection not found"},
    {2273, "Send To not found;or Messenger Service Does Not Start"},
};

// A NetBIOS name has at most 15 characters (the 16th is the service type).
constexpr qsizetype MaxNetbiosName = 15;

QString withoutUncPrefix(const QString &destination)
{
    return destination.startsWith(QLatin1String("\\\\")) ? destination.mid(2) : destination;
}

bool isIpv4Address(const QString &text)
{
    QHostAddress address;
    return address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

int statusOf(const ProgramOutcome &outcome)
{
    if (outcome.status == ProgramOutcome::Status::TimedOut)
        return MessageSender::NetworkError;
    for (const MessageSender::ErrorMarker &marker : ErrorMarkers) {
        if (outcome.standardError.contains(marker.text) || outcome.standardOutput.contains(marker.text))
            return marker.status;
    }
    // smbclient says nothing on standard error when the message went.
    return outcome.succeeded() ? MessageSender::Delivered : MessageSender::NetworkError;
}

} // namespace

std::span<const MessageSender::ErrorMarker> MessageSender::errorMarkers()
{
    return ErrorMarkers;
}

std::span<const MessageSender::Wording> MessageSender::wordings()
{
    return Wordings;
}

MessageSender::MessageSender(ProgramRunner &runner) : m_runner(runner) {}

bool MessageSender::isValidDestination(const QString &destination)
{
    const QString name = withoutUncPrefix(destination);
    if (isIpv4Address(name))
        return true;
    if (name.isEmpty() || name.size() > MaxNetbiosName)
        return false;
    for (const QChar c : name) {
        if (QStringView(u"\\/:*?\"<>|").contains(c) || c.unicode() < 0x20)
            return false;
    }
    return true;
}

SendOutcome MessageSender::send(const QString &destination, const QString &text) const
{
    if (!isValidDestination(destination))
        return {MalformedName, false};
    const QString name = withoutUncPrefix(destination);
    ProgramRun run;
    run.program = QStringLiteral("smbclient");
    // Joined to its option, a name that starts with "-" stays a name.
    run.arguments = {QStringLiteral("--message=") + name};
    // An address is reached directly; a name is left to smbclient's own name
    // resolution.
    if (isIpv4Address(name))
        run.arguments << QStringLiteral("--ip-address=") + name;
    run.input = text.toUtf8();
    run.timeout = std::chrono::seconds(20);
    const ProgramOutcome outcome = m_runner.run(run);
    if (outcome.status == ProgramOutcome::Status::NotInstalled)
        return {NetworkError, true};
    return {statusOf(outcome), false};
}

QString MessageSender::wording(int status)
{
    for (const Wording &w : Wordings) {
        if (w.status == status)
            return QLatin1String(w.text);
    }
    return QLatin1String(UnknownText);
}

QString MessageSender::senderMissingText()
{
    return QStringLiteral("Messages are sent with Samba's smbclient, which is not installed. "
                          "Install the Debian package smbclient.");
}
