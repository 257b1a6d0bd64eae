#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

#include "mail/DotStuffer.h"
#include "mail/MailErrorList.h"
#include "mail/MailLogin.h"
#include "mail/MimeMessage.h"
#include "mail/ReplyReader.h"
#include "mail/SendMailProperties.h"

class QSslSocket;

// The program's mail client: holds the parts of one message as properties
// (SendMailProperties), opens an SMTP connection, optionally logs in (AUTH
// LOGIN, or a POP3 login before SMTP), sends one MIME or plain-text message
// with file attachments, and reports through four signals.
//
// Use (the report builder, the options dialog's Test button, the cli):
//
//   auto *mail = new clsSendMail(parent);
//   mail->setSMTPHost(host); mail->setSMTPPort(port);
//   mail->setUseAuthentication(true); mail->setUsername(user); mail->setPassword(pass);
//   mail->setEncryption(MailEncryption::StartTls);   // optional, with setCaFile()
//   mail->setRecipient(to); mail->setSubject(subject); mail->setAsHTML(false);
//   mail->setAttachment(path); mail->setMessage(body); mail->setFrom(sender);
//   connect(mail, &clsSendMail::SendSuccesful, ...);
//   connect(mail, &clsSendMail::SendFailed, ...);   // the explanation, lines joined with CR LF
//   connect(mail, &clsSendMail::Status, ...);       // the status texts, in order
//   mail->Connect();   // optional: keep the connection for several sends
//   mail->Send();
//
// Asynchronous: Send() and Connect() start the work and return; the socket's
// signals drive an explicit state machine on the caller's thread (which must
// run an event loop). Every send ends with exactly one SendSuccesful or one
// SendFailed, unless it is refused at once as described at Send(). The object
// creates its socket for each connection through the socket factory and owns it.
// A handler of its signals may release it only with deleteLater(): the object
// still closes its connection after SendFailed.
//
// Encryption: with StartTls or Tls the server's certificate is verified
// against the system's trust store (or CaFile); a failed verification ends the
// send with the TLS error. AUTH LOGIN is sent only over an encrypted connection
// unless the encryption is None, and so is the POP3 login, which this client
// makes in clear only: under StartTls or Tls it is refused before connecting.
//
// Messages of a send (time-outs, server replies, socket errors) are kept for
// that send only; the messages of the property checks stay until a valid
// value replaces the invalid one.
//
// The rooms of the sender: MimeMessage builds the message and reads its
// attachments, Pop3Login and SmtpLogin hold the logins' dialogues,
// clsSendMailDialogue.cpp answers the servers' replies state by state and
// feeds the DATA stream; this file's .cpp starts, connects and ends.
class clsSendMail : public QObject, public SendMailProperties
{
    Q_OBJECT

public:
    using SocketFactory = std::function<QSslSocket *()>;
    using Clock = std::function<QDateTime()>;

    // The messages of a send, in the program's own words.
    static constexpr const char *TimeoutMessage =
        "Timeout occurred: The SMTP Host did not respond to the request";
    static constexpr const char *LoginFailed = "Host Login Failed!";
    static constexpr const char *NoSender = "Missing or Invalid Sender E-mail Address";
    static constexpr const char *HtmlNeedsMime = "Sending HTML requires MIME encoding";
    static constexpr const char *NoRecipient = "No Recipient E-mail Address Specified";
    static constexpr const char *TooManyRecipients = "Too many recipients";
    static constexpr const char *SocketNotOpen = "Socket not Open";
    static constexpr const char *NoStartTls = "The SMTP Host does not offer STARTTLS";
    static constexpr const char *LoginNeedsEncryption = "Login refused: the connection is not encrypted";
    static constexpr const char *PopLoginNeedsNoEncryption =
        "POP3 login refused: it sends the password in clear, which only the encryption None allows";
    static constexpr const char *ClosedMidReply =
        "The mail server closed the connection in the middle of a reply";

    explicit clsSendMail(QObject *parent = nullptr);
    // Sends QUIT and closes the connection when it is still open.
    ~clsSendMail() override;

    // Starts sending the message. Refused without a signal while another send
    // is under way. A send after Connect() uses the kept connection (waiting
    // for it when it is still being opened).
    void Send();
    // Opens and greets the SMTP connection (with its logins) and keeps it open
    // for several sends until Disconnect(). False when it fails at once (its
    // SendFailed has then been raised); true when it is open or being opened.
    bool Connect();
    // Forgets the kept connection and closes it (QUIT).
    void Disconnect();
    void Shutdown() {}

    bool IsValidEmailAddress(const QString &address) const;
    // Raises the Status "Performing MX Query..." and answers an empty text:
    // no DNS query is made.
    QString MXQuery(const QString &domain);
    // The MIME type of a file name by its extension; empty when unknown.
    static QString GetContentType(const QString &fileName);
    static QString DecodeBase64String(const QString &text);

    // True from Send() or Connect() until the connection is ready or closed.
    bool isBusy() const;

    // Seams for tests and for front ends with their own needs.
    void setSocketFactory(SocketFactory factory) { m_socketFactory = std::move(factory); }
    void setClock(Clock clock);
    // How long one second of the time-outs lasts (1000 ms); tests shorten it.
    void setSecondLength(std::chrono::milliseconds length) { m_second = length; }

signals:
    void SendSuccesful();
    void SendFailed(const QString &Explanation);
    void Status(const QString &Status);
    void Progress(int PercentComplete);

private:
    enum class State {
        Closed,
        PopConnecting,
        PopDialogue,
        SmtpConnecting,
        Greeting,
        StartTlsHello,
        StartTlsCommand,
        TlsHandshake,
        Hello,
        Login,
        Ready,
        MailFrom,
        RcptTo,
        DataCommand,
        Body,
        DataEnd,
        Quitting,
    };

    bool prepareSend();
    bool startConnection();
    void startSmtp();
    void connectAttempt();
    void onConnected();
    void onReadyRead();
    void onSocketError();
    void onBytesWritten(qint64 bytes);
    void onTimeout();
    void handleReply(const QByteArray &reply);
    void handleSmtpReply(const QByteArray &reply);
    void greeted();
    void askStartTls(const QByteArray &ehloReply);
    void startTls();
    void helloAnswered(const QByteArray &reply);
    void messageAccepted();
    void handlePopReply(const QByteArray &reply);
    void handleLoginReply(const QByteArray &reply);
    void sendHello();
    void connectionReady();
    void beginTransaction();
    void sendNextRecipient();
    void sendHeadersAndBody();
    void pumpAttachments();
    bool openNextAttachment();
    void finishData();
    void loginFailed();
    void reportTimeout();
    void fail(const QString &message);
    void closeConnection();
    void dropSocket();
    void command(const QByteArray &line);
    bool writeData(const QByteArray &bytes);
    void wait(int seconds);
    void wait(std::chrono::milliseconds time);
    void setState(State state) { m_state = state; }

    SocketFactory m_socketFactory;
    Clock m_clock;
    QString m_timeZoneSuffix;
    std::chrono::milliseconds m_second{1000};

    QPointer<QSslSocket> m_socket;
    ReplyReader m_reader;
    QTimer m_timer;
    State m_state = State::Closed;
    MailErrorList m_runErrors;
    bool m_keepConnection = false;
    bool m_sendPending = false;
    bool m_sending = false;
    int m_attempt = 0;
    Pop3Login m_popLogin;
    SmtpLogin m_smtpLogin;

    // The send under way.
    QStringList m_envelopeRecipients;
    qsizetype m_nextRecipient = 0;
    MimeMessage m_message;
    DotStuffer m_stuffer;
    qint64 m_totalSize = 0;
    qint64 m_sentBytes = 0;
    int m_lastPercent = -1;
};
