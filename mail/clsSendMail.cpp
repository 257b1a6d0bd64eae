#include "mail/clsSendMail.h"

#include <QFileInfo>
#include <QSslConfiguration>
#include <QSslSocket>

#include "mail/MailAddress.h"
#include "mail/MailCodecs.h"
#include "mail/MailDate.h"

namespace {

// Seconds to wait for the reply to QUIT.
constexpr int QuitSeconds = 2;

} // namespace

clsSendMail::clsSendMail(QObject *parent)
    : QObject(parent),
      m_socketFactory([] { return new QSslSocket; }),
      m_clock([] { return QDateTime::currentDateTime(); })
{
    m_timeZoneSuffix = MailDate::timeZoneSuffix(m_clock().offsetFromUtc());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &clsSendMail::onTimeout);
}

clsSendMail::~clsSendMail()
{
    m_timer.stop();
    if (!m_socket)
        return;
    QSslSocket *socket = m_socket;
    disconnect(socket, nullptr, this, nullptr);
    socket->setParent(nullptr);
    if (socket->state() == QAbstractSocket::ConnectedState && m_state != State::Quitting) {
        socket->write("QUIT\r\n");
        // The socket outlives the object until the server has had its QUIT.
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(QuitSeconds * 1000, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        return;
    }
    socket->abort();
    socket->deleteLater();
}

void clsSendMail::setClock(Clock clock)
{
    m_clock = std::move(clock);
    m_timeZoneSuffix = MailDate::timeZoneSuffix(m_clock().offsetFromUtc());
}

bool clsSendMail::isBusy() const
{
    return m_sending || (m_state != State::Closed && m_state != State::Ready);
}

bool clsSendMail::IsValidEmailAddress(const QString &address) const
{
    return MailAddress::isValidEmailAddress(address);
}

QString clsSendMail::MXQuery(const QString &domain)
{
    emit Status(domain.isEmpty() ? QStringLiteral("Performing MX Query")
                                 : QStringLiteral("Performing MX Query, Domain: ") + domain);
    return {};
}

QString clsSendMail::GetContentType(const QString &fileName)
{
    return MimeMessage::contentType(fileName);
}

QString clsSendMail::DecodeBase64String(const QString &text)
{
    return MailCodecs::decodeBase64String(text);
}

// --- Starting ----------------------------------------------------------------

void clsSendMail::Send()
{
    if (m_sending)
        return;
    m_sending = true;
    m_runErrors.clear();
    if (!prepareSend()) {
        fail({});
        return;
    }
    if (m_state == State::Quitting) {
        dropSocket();
        setState(State::Closed);
    }
    if (m_state == State::Ready) {
        beginTransaction();
        return;
    }
    m_sendPending = true;
    if (m_state == State::Closed)
        startConnection();
}

bool clsSendMail::Connect()
{
    m_keepConnection = true;
    if (m_state == State::Quitting) {
        dropSocket();
        setState(State::Closed);
    }
    if (m_state != State::Closed)
        return true;
    m_runErrors.clear();
    return startConnection();
}

void clsSendMail::Disconnect()
{
    m_keepConnection = false;
    if (!m_sending && m_state != State::Closed && m_state != State::Quitting)
        closeConnection();
}

bool clsSendMail::prepareSend()
{
    if (from().isEmpty())
        m_runErrors.add(QLatin1String(NoSender));
    if (AsHTML() && EncodeType() == 1)
        m_runErrors.add(QLatin1String(HtmlNeedsMime));
    const qsizetype count = recipients().size() + ccRecipients().size() + bccRecipients().size();
    if (count == 0)
        m_runErrors.add(QLatin1String(NoRecipient));
    if (count > MaxRecipients())
        m_runErrors.add(QLatin1String(TooManyRecipients));
    const QStringList paths = attachmentPaths();
    for (const QString &path : paths) {
        if (!QFileInfo(path).isFile())
            m_runErrors.add(QLatin1String(AttachmentMissing));
    }
    if (!errors().isEmpty() || !m_runErrors.isEmpty())
        return false;

    m_envelopeRecipients = recipients() + ccRecipients() + bccRecipients();
    m_message.prepare(envelope(), Message(), paths, m_clock());

    // A rough size of what goes out, for the percentages only.
    m_totalSize = 600 + m_message.body().size() + Subject().size() + m_envelopeRecipients.size() * 60;
    m_totalSize += attachmentBytes() * 4 / 3 + attachmentBytes() / 38 + paths.size() * 300;
    m_sentBytes = 0;
    m_lastPercent = -1;
    return true;
}

bool clsSendMail::startConnection()
{
    if (SMTPHost().isEmpty()) {
        const QStringList addresses = recipients() + ccRecipients() + bccRecipients();
        MXQuery(addresses.isEmpty() ? QString() : MailAddress::domainOf(addresses.constFirst()));
        fail(QLatin1String(InvalidSmtpHost));
        return false;
    }
    if (!UsePopAuthentication()) {
        startSmtp();
        return true;
    }
    if (Encryption() != MailEncryption::None) {
        fail(QLatin1String(PopLoginNeedsNoEncryption));
        return false;
    }
    emit Status(QStringLiteral("Connecting to POP3 Server (") + POP3Host() + QStringLiteral(")..."));
    if (POP3Host().isEmpty()) {
        fail(QLatin1String(InvalidPop3Host));
        return false;
    }
    setState(State::PopConnecting);
    m_popLogin.start(Username(), Password());
    m_attempt = 0;
    connectAttempt();
    return true;
}

void clsSendMail::startSmtp()
{
    emit Status(QStringLiteral("Connecting to SMTP Server (") + SMTPHost() + QStringLiteral(")..."));
    setState(State::SmtpConnecting);
    m_attempt = 0;
    connectAttempt();
}

void clsSendMail::connectAttempt()
{
    dropSocket();
    m_reader.clear();
    ++m_attempt;
    m_socket = m_socketFactory();
    m_socket->setParent(this);
    // Bounds what one read hands to the reply reader.
    m_socket->setReadBufferSize(ReplyReader::MaxReplyBytes);
    if (!CaFile().isEmpty()) {
        QSslConfiguration configuration = m_socket->sslConfiguration();
        configuration.addCaCertificates(CaFile());
        m_socket->setSslConfiguration(configuration);
    }
    connect(m_socket, &QAbstractSocket::connected, this, &clsSendMail::onConnected);
    connect(m_socket, &QSslSocket::encrypted, this, &clsSendMail::onConnected);
    connect(m_socket, &QIODevice::readyRead, this, &clsSendMail::onReadyRead);
    connect(m_socket, &QIODevice::bytesWritten, this, &clsSendMail::onBytesWritten);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &clsSendMail::onSocketError);
    const bool pop = m_state == State::PopConnecting;
    const QString host = pop ? POP3Host() : SMTPHost();
    const auto port = quint16(pop ? POP3Port() : SMTPPort());
    if (!pop && Encryption() == MailEncryption::Tls)
        m_socket->connectToHostEncrypted(host, port);
    else
        m_socket->connectToHost(host, port);
    wait(ConnectTimeout());
}

void clsSendMail::onConnected()
{
    // Over TLS the server speaks first once the handshake is done.
    const bool handshakePending = m_socket && m_socket->mode() != QSslSocket::UnencryptedMode &&
                                  !m_socket->isEncrypted();
    if (handshakePending)
        return;
    switch (m_state) {
    case State::PopConnecting:
        setState(State::PopDialogue);
        wait(ConnectTimeout());
        break;
    case State::SmtpConnecting:
        setState(State::Greeting);
        wait(ConnectTimeout());
        break;
    case State::TlsHandshake:
        sendHello();
        break;
    default:
        break;
    }
}

// --- The socket --------------------------------------------------------------

void clsSendMail::onReadyRead()
{
    if (!m_socket)
        return;
    const Result<QList<QByteArray>> replies = m_reader.feed(m_socket->readAll());
    if (!replies) {
        // A server that floods its reply is not asked for anything more, not even QUIT.
        const bool idle = m_state == State::Quitting || (m_state == State::Ready && !m_sending);
        dropSocket();
        if (idle)
            setState(State::Closed);
        else
            fail(replies.error());
        return;
    }
    for (const QByteArray &reply : *replies) {
        if (m_state == State::Closed)
            return;
        handleReply(reply);
    }
}

void clsSendMail::onSocketError()
{
    if (!m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    const QString description = m_socket->errorString();
    if (m_state == State::Quitting || (m_state == State::Ready && !m_sending)) {
        dropSocket();
        setState(State::Closed);
        return;
    }
    const bool connecting = m_state == State::PopConnecting || m_state == State::SmtpConnecting;
    const bool refused = error == QAbstractSocket::ConnectionRefusedError ||
                         error == QAbstractSocket::SocketTimeoutError ||
                         error == QAbstractSocket::NetworkError;
    if (connecting && refused && m_attempt < qMax(1, ConnectRetry())) {
        // Not from inside the socket's own signal: the socket is replaced.
        QTimer::singleShot(0, this, [this] {
            if (m_state == State::PopConnecting || m_state == State::SmtpConnecting)
                connectAttempt();
        });
        m_timer.stop();
        return;
    }
    if (connecting && error == QAbstractSocket::HostNotFoundError)
        fail(QLatin1String(m_state == State::PopConnecting ? InvalidPop3Host : InvalidSmtpHost));
    else if (error == QAbstractSocket::RemoteHostClosedError && m_reader.isMidReply())
        fail(QLatin1String(ClosedMidReply));
    else
        fail(description);
}

void clsSendMail::onBytesWritten(qint64 bytes)
{
    m_sentBytes += bytes;
    if (m_totalSize > 0 && m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        const int percent = int(qMin<qint64>(100, m_sentBytes * 100 / m_totalSize));
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            emit Progress(percent);
        }
    }
    if (m_state == State::Body) {
        wait(MessageTimeout()); // the server is still taking the message
        pumpAttachments();
    }
}

void clsSendMail::onTimeout()
{
    switch (m_state) {
    case State::PopConnecting:
    case State::SmtpConnecting:
        if (m_attempt < qMax(1, ConnectRetry()))
            connectAttempt();
        else
            reportTimeout();
        break;
    case State::Login:
        loginFailed();
        break;
    case State::Quitting:
        dropSocket();
        setState(State::Closed);
        break;
    case State::Closed:
    case State::Ready:
        break;
    default:
        reportTimeout();
        break;
    }
}

// --- Ending ------------------------------------------------------------------

void clsSendMail::loginFailed()
{
    emit Status(QLatin1String(LoginFailed));
    fail(QLatin1String(LoginFailed));
}

void clsSendMail::reportTimeout()
{
    fail(QLatin1String(TimeoutMessage));
}

void clsSendMail::fail(const QString &message)
{
    if (!message.isEmpty())
        m_runErrors.add(message);
    QStringList explanation = errors().messages();
    for (const QString &text : m_runErrors.messages()) {
        if (!explanation.contains(text))
            explanation.append(text);
    }
    m_sending = false;
    m_sendPending = false;
    m_message.closeAttachment();
    m_timer.stop();
    emit SendFailed(explanation.join(QStringLiteral("\r\n")));
    closeConnection();
}

void clsSendMail::closeConnection()
{
    m_timer.stop();
    if (!m_socket) {
        setState(State::Closed);
        return;
    }
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        emit Status(QStringLiteral("Closing Connection..."));
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        m_reader.clear();
        command("QUIT");
        setState(State::Quitting);
        wait(QuitSeconds);
        return;
    }
    dropSocket();
    setState(State::Closed);
}

void clsSendMail::dropSocket()
{
    m_timer.stop();
    if (!m_socket)
        return;
    QSslSocket *socket = m_socket;
    m_socket = nullptr;
    disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
}

void clsSendMail::command(const QByteArray &line)
{
    if (m_socket)
        m_socket->write(line + "\r\n");
}

bool clsSendMail::writeData(const QByteArray &bytes)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        fail(QLatin1String(SocketNotOpen));
        return false;
    }
    m_socket->write(m_stuffer.stuff(bytes));
    return true;
}

void clsSendMail::wait(int seconds)
{
    wait(std::chrono::milliseconds(qMax(0, seconds) * m_second.count()));
}

void clsSendMail::wait(std::chrono::milliseconds time)
{
    m_timer.start(time);
}
