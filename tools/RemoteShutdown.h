#pragma once

#include <QString>

#include <optional>

class ProgramRunner;

// The account the request is made with on the target. The password only
// travels to net through its environment (PASSWD), never on a command line,
// and is kept nowhere.
struct ShutdownAccount
{
    QString user; // empty: no account, an anonymous attempt
    QString password{};
};

struct ShutdownRequest
{
    QString target{}; // an IPv4 address or a computer name, "\\" before it allowed
    QString message{};
    int delay = 30; // seconds, 0 to 999
    bool force = false;
    bool reboot = false;
};

// How one request went.
struct ShutdownOutcome
{
    bool succeeded = false;
    bool clientMissing = false; // net is not installed: nothing was sent
    QString reason;             // net's own word for a failure (NT_STATUS_..., WERR_...), perhaps empty
};

// Asks a computer to shut down (or restart), or to abort a pending
// shutdown, through Samba's `net rpc shutdown` / `net rpc abortshutdown`.
// Whether the target obeys is its own business; these only say whether the
// request was accepted. Each call blocks until net ends (at most its time-out).
class RemoteShutdown
{
public:
    // net treats a time-out of 0 as "none given" and asks for 20 seconds
    // instead; a delay of 0 therefore goes as the shortest it can ask for.
    static constexpr int ShortestSentDelay = 1;
    // The stored options keep two digits; the shutdown dialog's own box
    // takes three, and its number goes as it is.
    static constexpr int MaxDelay = 99;
    static constexpr int MaxDialogDelay = 999;
    static constexpr const char *DelayRefusedText = "'Delay' Please fill in the integer 0-99";
    static constexpr const char *DialogDelayRefusedText = "'Delay' Please fill in the integer 0-999";

    explicit RemoteShutdown(ProgramRunner &runner);

    ShutdownOutcome shutdown(const ShutdownRequest &request, const ShutdownAccount &account) const;
    ShutdownOutcome abort(const QString &target, const ShutdownAccount &account) const;

    // A whole number from 0 to maxDelay ("07" is 7); nothing for anything else.
    static std::optional<int> parseDelay(const QString &text, int maxDelay = MaxDelay);

    static QString shutdownSentText(const QString &target, const QString &delayText);
    static QString shutdownFailedText(const QString &target);
    static QString abortSentText(const QString &target);
    static QString abortFailedText(const QString &target);
    static QString noTargetText(bool forAbort);
    static QString clientMissingText();

private:
    ShutdownOutcome request(const QString &verb, const QString &target, const ShutdownAccount &account,
                            const QStringList &options) const;

    ProgramRunner &m_runner;
};
