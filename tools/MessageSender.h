#pragma once

#include <QString>

#include <span>

class ProgramRunner;

// How one message went: a status code of the messenger service
// (MessageSender::Delivered, 0, when it arrived).
struct SendOutcome
{
    int status = 0;
    bool senderMissing = false; // smbclient is not installed: nothing was sent
};

// Sends a short text to one computer as a WinPopup message through Samba's
// smbclient, and words the outcome as a status code of the messenger
// service. smbclient exits 0 even when nothing was delivered, so the code is
// read from its exit status and its standard error together. The run blocks
// the calling thread until smbclient ends (at most its time-out).
class MessageSender
{
public:
    static constexpr int Delivered = 0;
    static constexpr int NameNotFound = 53;
    static constexpr int MalformedName = 123;
    static constexpr int NetworkError = 2136;
    static constexpr int NotAccepted = 2273;

    // What smbclient writes to standard error, and the status it stands for.
    struct ErrorMarker
    {
        const char *text;
        int status;
    };
    static std::span<const ErrorMarker> errorMarkers();

    struct Wording
    {
        int status;
        const char *text;
    };
    static std::span<const Wording> wordings();
    static constexpr const char *UnknownText = "Unknown error executing command.";
    static constexpr const char *EmptyDestinationText = "Send To Can not be empty! ";
    static constexpr const char *SentTitle = "NetSend";

    explicit MessageSender(ProgramRunner &runner);

    // destination: an IPv4 address or a NetBIOS name (a leading "\\" is
    // allowed), as typed; it is checked, never trimmed. The text goes as it is.
    SendOutcome send(const QString &destination, const QString &text) const;

    static bool isValidDestination(const QString &destination);
    static QString wording(int status);
    static QString senderMissingText();

private:
    ProgramRunner &m_runner;
};
