// The replies of the mail servers and the mail transaction of clsSendMail:
// what the sender does with each whole reply in each state, and how it feeds
// the message into the DATA stream.
#include "mail/clsSendMail.h"

#include <QSslSocket>

#include "mail/MailAddress.h"
#include "mail/MailDate.h"
#include "mail/SmtpReply.h"

namespace {

// Seconds to wait for each answer of the login.
constexpr int LoginSeconds = 5;
// Attachments are encoded while less than this waits in the socket.
constexpr qint64 WriteAhead = 64 * 1024;

} // namespace

// --- Replies -----------------------------------------------------------------

void clsSendMail::handleReply(const QByteArray &reply)
{
    switch (m_state) {
    case State::PopDialogue:
        handlePopReply(reply);
        return;
    case State::Login:
        handleLoginReply(reply);
        return;
    case State::Quitting:
        dropSocket();
        setState(State::Closed);
        return;
    case State::Ready:
        return; // nothing was asked
    default:
        handleSmtpReply(reply);
        return;
    }
}

void clsSendMail::handleSmtpReply(const QByteArray &reply)
{
    const QByteArray code = ReplyReader::codeOf(reply).toUpper();
    if (SmtpReply::isInformation(code))
        return;
    if (m_state == State::DataCommand && code == "354") {
        sendHeadersAndBody();
        return;
    }
    if (m_state == State::StartTlsCommand && code == "220") {
        startTls();
        return;
    }
    if (!SmtpReply::isAccepted(code) || m_state == State::DataCommand || m_state == State::StartTlsCommand ||
        m_state == State::Body) {
        fail(SmtpReply::shownText(reply));
        return;
    }
    m_timer.stop();
    switch (m_state) {
    case State::Greeting:
        greeted();
        break;
    case State::StartTlsHello:
        askStartTls(reply);
        break;
    case State::Hello:
        helloAnswered(reply);
        break;
    case State::MailFrom:
        emit Status(QStringLiteral("Sending Recipient Information..."));
        m_nextRecipient = 0;
        sendNextRecipient();
        break;
    case State::RcptTo:
        sendNextRecipient();
        break;
    case State::DataEnd:
        messageAccepted();
        break;
    default:
        break;
    }
}

void clsSendMail::greeted()
{
    emit Status(QStringLiteral("Initializing Communications..."));
    if (Encryption() != MailEncryption::StartTls) {
        sendHello();
        return;
    }
    command("EHLO " + MailAddress::domainOf(from()).toLatin1());
    setState(State::StartTlsHello);
    wait(ConnectTimeout());
}

void clsSendMail::askStartTls(const QByteArray &ehloReply)
{
    if (!SmtpReply::offersStartTls(ehloReply)) {
        fail(QLatin1String(NoStartTls));
        return;
    }
    command("STARTTLS");
    setState(State::StartTlsCommand);
    wait(ConnectTimeout());
}

void clsSendMail::startTls()
{
    setState(State::TlsHandshake);
    m_reader.clear();
    m_socket->startClientEncryption();
    wait(ConnectTimeout());
}

void clsSendMail::helloAnswered(const QByteArray &reply)
{
    if (!UseAuthentication()) {
        connectionReady();
    } else if (!SmtpReply::offersLogin(reply)) {
        emit Status(QStringLiteral("Login Not Supported by Host, Continuing..."));
        connectionReady();
    } else if (Encryption() != MailEncryption::None && !m_socket->isEncrypted()) {
        fail(QLatin1String(LoginNeedsEncryption));
    } else {
        emit Status(QStringLiteral("Sending Login Authentication..."));
        m_smtpLogin.start(Username(), Password());
        command("AUTH LOGIN");
        setState(State::Login);
        wait(LoginSeconds);
    }
}

void clsSendMail::messageAccepted()
{
    m_totalSize = 0; // nothing more to count
    emit Progress(100);
    emit Status(QStringLiteral("Transmission Complete..."));
    m_sending = false;
    if (m_keepConnection)
        setState(State::Ready);
    else
        closeConnection();
    emit SendSuccesful();
}

void clsSendMail::handlePopReply(const QByteArray &reply)
{
    const LoginStep step = m_popLogin.answer(reply);
    switch (step.kind) {
    case LoginStep::Kind::Send:
        command(step.line);
        break;
    case LoginStep::Kind::Done:
        dropSocket();
        emit Status(QStringLiteral("POP3 Authentication Successful..."));
        startSmtp();
        break;
    case LoginStep::Kind::Refused:
        fail(step.message);
        break;
    case LoginStep::Kind::Ignore:
        break;
    }
}

void clsSendMail::handleLoginReply(const QByteArray &reply)
{
    const LoginStep step = m_smtpLogin.answer(reply);
    switch (step.kind) {
    case LoginStep::Kind::Send:
        command(step.line);
        wait(LoginSeconds);
        break;
    case LoginStep::Kind::Done:
        m_timer.stop();
        emit Status(QStringLiteral("Host Login OK!"));
        connectionReady();
        break;
    case LoginStep::Kind::Refused:
        loginFailed();
        break;
    case LoginStep::Kind::Ignore:
        break;
    }
}

void clsSendMail::sendHello()
{
    const QByteArray verb = UseAuthentication() ? "EHLO " : "HELO ";
    command(verb + MailAddress::domainOf(from()).toLatin1());
    setState(State::Hello);
    wait(ConnectTimeout());
}

void clsSendMail::connectionReady()
{
    m_timer.stop();
    setState(State::Ready);
    if (m_sendPending) {
        m_sendPending = false;
        beginTransaction();
    }
}

// --- The mail transaction ----------------------------------------------------

void clsSendMail::beginTransaction()
{
    m_sentBytes = 0;
    m_lastPercent = -1;
    emit Status(QStringLiteral("Sending Sender Information..."));
    command("MAIL FROM: <" + from().toUtf8() + '>');
    setState(State::MailFrom);
    wait(MessageTimeout());
}

void clsSendMail::sendNextRecipient()
{
    if (m_nextRecipient < m_envelopeRecipients.size()) {
        command("RCPT TO: <" + m_envelopeRecipients.at(m_nextRecipient++).toUtf8() + '>');
        setState(State::RcptTo);
        wait(MessageTimeout());
        return;
    }
    emit Status(QStringLiteral("Sending Message..."));
    command("DATA");
    setState(State::DataCommand);
    wait(MessageTimeout());
}

void clsSendMail::sendHeadersAndBody()
{
    m_stuffer = DotStuffer();
    setState(State::Body);
    wait(MessageTimeout());
    writeData(m_message.head(MailDate::dateHeader(m_clock(), m_timeZoneSuffix)));
    pumpAttachments();
}

void clsSendMail::pumpAttachments()
{
    while (m_state == State::Body && m_socket && m_socket->bytesToWrite() < WriteAhead) {
        if (m_message.hasOpenAttachment()) {
            if (!writeData(m_message.readPiece()))
                return;
        } else if (m_message.attachmentsDone()) {
            finishData();
            return;
        } else if (!openNextAttachment()) {
            return;
        }
    }
}

bool clsSendMail::openNextAttachment()
{
    emit Status((m_message.nextIsEmbedded() ? QStringLiteral("Sending Embedded File, ")
                                            : QStringLiteral("Sending Attachment, ")) +
                m_message.nextName() + QStringLiteral("..."));
    const Result<QByteArray> opening = m_message.openNextAttachment();
    if (!opening) {
        fail(opening.error());
        return false;
    }
    return writeData(*opening);
}

void clsSendMail::finishData()
{
    const QByteArray ending = m_message.ending();
    if (!ending.isEmpty() && !writeData(ending))
        return;
    command(".");
    setState(State::DataEnd);
    wait(MessageTimeout());
}
