#include "tools/RemoteShutdown.h"

#include "platform/ProgramRunner.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {

const QString Crlf = QStringLiteral("\r\n");

const char *const Reasons[] = {
    "1. You misspelled the computer name.",
    "2. The computer is not a Window NT computer.",
    "3. You do not have access to reboot the computer.",
    "4. The computer cannot be found on the network.",
    "5. It's too late.",
};

QString reasonLines(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QLatin1String(Reasons[i]);
    return lines.join(Crlf);
}

QString withoutUncPrefix(const QString &target)
{
    return target.startsWith(QLatin1String("\\\\")) ? target.mid(2) : target;
}

// Values typed by the user or read from a file are joined to their option
// with "=", so that one starting with "-" can never be read as an option.
QStringList targetArguments(const QString &target)
{
    const QString name = withoutUncPrefix(target);
    QHostAddress address;
    if (address.setAddress(name) && address.protocol() == QAbstractSocket::IPv4Protocol)
        return {QStringLiteral("--ipaddress=") + address.toString()};
    return {QStringLiteral("--server=") + name};
}

QString reasonOf(const ProgramOutcome &outcome)
{
    static const QRegularExpression code(QStringLiteral("\\b(NT_STATUS_[A-Z_]+|WERR_[A-Z_]+)"));
    const QRegularExpressionMatch match =
        code.match(QString::fromLocal8Bit(outcome.standardError + outcome.standardOutput));
    if (match.hasMatch())
        return match.captured(1);
    if (outcome.status == ProgramOutcome::Status::TimedOut)
        return QStringLiteral("no answer in time");
    return {};
}

} // namespace

RemoteShutdown::RemoteShutdown(ProgramRunner &runner) : m_runner(runner) {}

ShutdownOutcome RemoteShutdown::request(const QString &verb, const QString &target,
                                        const ShutdownAccount &account, const QStringList &options) const
{
    ProgramRun run;
    run.program = QStringLiteral("net");
    run.arguments = QStringList{QStringLiteral("rpc"), verb} + targetArguments(target);
    if (account.user.isEmpty()) {
        run.arguments << QStringLiteral("-N");
    } else {
        run.arguments << QStringLiteral("--user=") + account.user;
        // Set even when empty, so that net never stops to ask for one.
        run.environment << QStringLiteral("PASSWD=") + account.password;
    }
    run.arguments += options;
    run.timeout = std::chrono::seconds(30);
    const ProgramOutcome outcome = m_runner.run(run);
    if (outcome.status == ProgramOutcome::Status::NotInstalled)
        return {false, true, {}};
    if (outcome.succeeded())
        return {true, false, {}};
    return {false, false, reasonOf(outcome)};
}

ShutdownOutcome RemoteShutdown::shutdown(const ShutdownRequest &request, const ShutdownAccount &account) const
{
    QStringList options{QStringLiteral("-t"),
                        QString::number(std::max(request.delay, int(ShortestSentDelay)))};
    if (!request.message.isEmpty())
        options << QStringLiteral("--comment=") + request.message;
    if (request.force)
        options << QStringLiteral("-f");
    if (request.reboot)
        options << QStringLiteral("-r");
    return this->request(QStringLiteral("shutdown"), request.target, account, options);
}

ShutdownOutcome RemoteShutdown::abort(const QString &target, const ShutdownAccount &account) const
{
    return request(QStringLiteral("abortshutdown"), target, account, {});
}

std::optional<int> RemoteShutdown::parseDelay(const QString &text, int maxDelay)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    const int delay = trimmed.toInt();
    if (delay > maxDelay)
        return std::nullopt;
    return delay;
}

QString RemoteShutdown::shutdownSentText(const QString &target, const QString &delayText)
{
    QString text = QStringLiteral("Successfully sent a shutdown request to  '") + target +
                   QStringLiteral("'.  ") + Crlf + QStringLiteral("The computer will shutdown in ") +
                   delayText + QStringLiteral(" seconds.  ");
    if (parseDelay(delayText, MaxDialogDelay) == 0)
        text += Crlf + QStringLiteral(
                           "(A delay of 0 is sent as %1 second, the shortest delay Samba's net can ask for.)")
                           .arg(ShortestSentDelay);
    return text;
}

QString RemoteShutdown::shutdownFailedText(const QString &target)
{
    return QStringLiteral("Unable to shutdown  '") + target + QStringLiteral("'.  Reasons may include:  ") +
           Crlf + Crlf + reasonLines(4);
}

QString RemoteShutdown::abortSentText(const QString &target)
{
    return QStringLiteral("Successfully aborted the shutdown of  '") + target + QStringLiteral("'.  ");
}

QString RemoteShutdown::abortFailedText(const QString &target)
{
    return QStringLiteral("Unable to abort the shutdown of  '") + target +
           QStringLiteral("'.  Reasons may include:  ") + Crlf + Crlf + reasonLines(5);
}

QString RemoteShutdown::noTargetText(bool forAbort)
{
    return QStringLiteral("You must specify a computer before clicking the %1 button.  ")
        .arg(forAbort ? QStringLiteral("Abort") : QStringLiteral("Shutdown"));
}

QString RemoteShutdown::clientMissingText()
{
    return QStringLiteral("Remote shutdown requests are sent with Samba's net, which is not installed. "
                          "Install the Debian package samba-common-bin.");
}
