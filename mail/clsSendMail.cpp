#include "clsSendMail.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslSocket>

#include "MailAddress.h"
#include "MailCodecs.h"
#include "MailDate.h"
#include "MessageHeaders.h"
#include "SmtpReply.h"

namespace {

// Seconds to wait for the login's answer and for the reply to QUIT.
constexpr int LoginSeconds = 5;
constexpr int QuitSeconds = 2;
// Attachments are encoded while less than this waits in the socket.
constexpr qint64 WriteAhead = 64 * 1024;

QString fileNameOf(const QString &path)
{
    QString name = path;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

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
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(fileNameOf(fileName), QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
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
    m_toValue = MessageHeaders::addressList(recipients(), recipientNames());
    m_ccValue = MessageHeaders::addressList(ccRecipients(), ccNames());
    m_multipart = EncodeType() == 0 && !paths.isEmpty();
    m_body = Message();
    m_related = false;
    m_embedded = QList<bool>(paths.size(), false);
    if (AsHTML()) {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QString name = fileNameOf(paths.at(i));
            const QRegularExpression reference(QStringLiteral("(=\\s*[\"']?|<)") +
                                                   QRegularExpression::escape(name) +
                                                   QStringLiteral("(?=[\"'\\s>])"),
                                               QRegularExpression::CaseInsensitiveOption);
            if (!m_body.contains(reference))
                continue;
            m_body.replace(reference, QStringLiteral("\\1cid:") + name);
            m_embedded[i] = true;
            m_related = true;
        }
    }
    m_boundary = MailDate::mimeBoundary(m_clock());

    // A rough size of what goes out, for the percentages only.
    m_totalSize = 600 + m_body.size() + Subject().size() + m_envelopeRecipients.size() * 60;
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
    m_popStep = 0;
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

// --- Replies -----------------------------------------------------------------

void clsSendMail::handleReply(const QByteArray &reply)
{
    const QByteArray code = ReplyReader::codeOf(reply).toUpper();
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
        break;
    }
    if (SmtpReply::isInformation(code))
        return;
    if (m_state == State::DataCommand && code == "354") {
        sendHeadersAndBody();
        return;
    }
    if (m_state == State::StartTlsCommand && code == "220") {
        setState(State::TlsHandshake);
        m_reader.clear();
        m_socket->startClientEncryption();
        wait(ConnectTimeout());
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
        emit Status(QStringLiteral("Initializing Communications..."));
        if (Encryption() == MailEncryption::StartTls) {
            command("EHLO " + MailAddress::domainOf(from()).toLatin1());
            setState(State::StartTlsHello);
            wait(ConnectTimeout());
        } else {
            sendHello();
        }
        break;
    case State::StartTlsHello:
        if (!SmtpReply::offersStartTls(reply)) {
            fail(QLatin1String(NoStartTls));
            break;
        }
        command("STARTTLS");
        setState(State::StartTlsCommand);
        wait(ConnectTimeout());
        break;
    case State::Hello:
        if (!UseAuthentication()) {
            connectionReady();
        } else if (!SmtpReply::offersLogin(reply)) {
            emit Status(QStringLiteral("Login Not Supported by Host, Continuing..."));
            connectionReady();
        } else if (Encryption() != MailEncryption::None && !m_socket->isEncrypted()) {
            fail(QLatin1String(LoginNeedsEncryption));
        } else {
            emit Status(QStringLiteral("Sending Login Authentication..."));
            m_loginPrompts = 0;
            command("AUTH LOGIN");
            setState(State::Login);
            wait(LoginSeconds);
        }
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
        m_totalSize = 0; // nothing more to count
        emit Progress(100);
        emit Status(QStringLiteral("Transmission Complete..."));
        m_sending = false;
        if (m_keepConnection)
            setState(State::Ready);
        else
            closeConnection();
        emit SendSuccesful();
        break;
    default:
        break;
    }
}

void clsSendMail::handlePopReply(const QByteArray &reply)
{
    const QByteArray code = ReplyReader::codeOf(reply).toUpper();
    if (code != "+OK") {
        fail(SmtpReply::shownText(reply));
        return;
    }
    switch (m_popStep++) {
    case 0:
        command("USER " + Username().toLatin1());
        break;
    case 1:
        command("PASS " + Password().toLatin1());
        break;
    case 2:
        command("QUIT");
        break;
    default:
        m_popStep = 0;
        dropSocket();
        emit Status(QStringLiteral("POP3 Authentication Successful..."));
        startSmtp();
        break;
    }
}

void clsSendMail::handleLoginReply(const QByteArray &reply)
{
    const QByteArray code = ReplyReader::codeOf(reply);
    if (code == "334") {
        // A server that still prompts after the cancel would hold the login for ever.
        if (++m_loginPrompts > 3) {
            loginFailed();
            return;
        }
        const QString prompt =
            MailCodecs::decodeBase64String(QString::fromLatin1(reply.mid(3).trimmed())).toLower();
        // Servers that word the prompts otherwise ask for the user name first.
        const bool user = prompt.contains(QLatin1String("username")) ||
                          (!prompt.contains(QLatin1String("password")) && m_loginPrompts == 1);
        const bool password = !user && (prompt.contains(QLatin1String("password")) || m_loginPrompts == 2);
        if (user)
            command(Username().toUtf8().toBase64());
        else if (password)
            command(Password().toUtf8().toBase64());
        else
            command("*"); // cancels the exchange; the server answers with a failure
        wait(LoginSeconds);
        return;
    }
    if (code == "235") {
        m_timer.stop();
        emit Status(QStringLiteral("Host Login OK!"));
        connectionReady();
        return;
    }
    if (SmtpReply::isInformation(code))
        return;
    loginFailed();
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

    MessageHeaders::Envelope envelope;
    envelope.from = from();
    envelope.fromDisplayName = FromDisplayName();
    envelope.to = m_toValue;
    envelope.cc = m_ccValue;
    envelope.subject = Subject();
    envelope.replyTo = ReplyToAddress();
    envelope.date = MailDate::dateHeader(m_clock(), m_timeZoneSuffix);
    envelope.encodeType = EncodeType();
    envelope.priority = Priority();
    envelope.priorityWord = priorityWord();
    envelope.receipt = Receipt();
    envelope.multipart = m_multipart;
    envelope.related = m_related;
    envelope.boundary = m_boundary;
    envelope.asHtml = AsHTML();
    envelope.eightBit = MailText::hasEightBit(m_body);
    envelope.charset = MailText::charsetFor(m_body);
    envelope.contentBase = ContentBase();

    QByteArray head = MailText::encodeText(MessageHeaders::build(envelope));
    head += "\r\n" + MailText::encodeText(m_body) + "\r\n";
    if (!attachmentPaths().isEmpty())
        head += "\r\n";
    writeData(head);
    m_nextAttachment = 0;
    m_attachmentFile.reset();
    pumpAttachments();
}

void clsSendMail::pumpAttachments()
{
    const QStringList paths = attachmentPaths();
    while (m_state == State::Body && m_socket && m_socket->bytesToWrite() < WriteAhead) {
        if (!m_attachmentFile) {
            if (m_nextAttachment >= paths.size()) {
                finishData();
                return;
            }
            if (!openNextAttachment())
                return;
            continue;
        }
        const bool uu = EncodeType() == 1;
        const QByteArray piece =
            m_attachmentFile->read(uu ? MailCodecs::UuPieceBytes : MailCodecs::Base64PieceBytes);
        if (!piece.isEmpty()) {
            if (!writeData(uu ? MailCodecs::uuencodeLines(piece) : MailCodecs::base64Lines(piece)))
                return;
            continue;
        }
        m_attachmentFile.reset();
        ++m_nextAttachment;
        if (!writeData(uu ? MailCodecs::uuencodeClosing() + "end\r\n" : QByteArray("\r\n")))
            return;
    }
}

bool clsSendMail::openNextAttachment()
{
    const QString path = attachmentPaths().at(m_nextAttachment);
    const QString name = fileNameOf(path);
    const bool embedded = m_embedded.value(m_nextAttachment);
    emit Status(
        (embedded ? QStringLiteral("Sending Embedded File, ") : QStringLiteral("Sending Attachment, ")) +
        name + QStringLiteral("..."));
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        fail(QLatin1String(AttachmentMissing));
        return false;
    }
    m_attachmentFile = std::move(file);
    if (EncodeType() == 1)
        return writeData("begin 600 " + MailText::encodeText(name) + "\r\n");
    return writeData(MailText::encodeText(
        MessageHeaders::attachmentPart(m_boundary, name, GetContentType(name), embedded && m_related)));
}

void clsSendMail::finishData()
{
    if (m_multipart && !writeData("--" + m_boundary.toLatin1() + "--\r\n"))
        return;
    command(".");
    setState(State::DataEnd);
    wait(MessageTimeout());
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
    m_attachmentFile.reset();
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
