#include <QElapsedTimer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include "mail/clsSendMail.h"
#include "tests/mail/MailRun.h"
#include "tests/mail/ScriptedMailServer.h"

using namespace std::chrono_literals;

// The sender against a scripted server on loopback: how replies arrive,
// the login prompts, unknown replies, silence, a closed port, and what goes
// over the wire after DATA.
class TestSendMailScripted : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void plainSendStatusesInOrder();
    void loginPromptsWhateverTheirWording_data();
    void loginPromptsWhateverTheirWording();
    void loginOffer_data();
    void loginOffer();
    void refusedLoginFails_data();
    void refusedLoginFails();
    void credentialsInClearOnlyWithoutEncryption_data();
    void credentialsInClearOnlyWithoutEncryption();
    void unknownReplyEndsTheSend();
    void silentServerTimesOut_data();
    void silentServerTimesOut();
    void closedPortAfterRetries();
    void messageLinesOnTheWire();
    void keptConnectionServesTwoSends();
    void hostileServerEndsTheSend_data();
    void hostileServerEndsTheSend();

private:
    void address(clsSendMail &mail, const ScriptedMailServer &server);
    QTemporaryDir m_config;
};

void TestSendMailScripted::init()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestSendMailScripted::address(clsSendMail &mail, const ScriptedMailServer &server)
{
    mail.setSMTPHost(QStringLiteral("127.0.0.1"));
    mail.setSMTPPort(server.port());
    mail.setFrom(QStringLiteral("kestrel@example.com"));
    mail.setRecipient(QStringLiteral("admin@example.net"));
    mail.setSubject(QStringLiteral("Findings"));
    mail.setMessage(QStringLiteral("Two findings."));
    mail.setSecondLength(200ms);              // the login waits 5 seconds: 1 s here
    mail.setEncryption(MailEncryption::None); // the script speaks no TLS
}

void TestSendMailScripted::plainSendStatusesInOrder()
{
    ScriptedMailServer server;
    clsSendMail mail;
    address(mail, server);
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList());
    QCOMPARE(run.successes, 1);
    QCOMPARE(run.statuses,
             (QStringList{"Connecting to SMTP Server (127.0.0.1)...", "Initializing Communications...",
                          "Sending Sender Information...", "Sending Recipient Information...",
                          "Sending Message...", "Transmission Complete...", "Closing Connection..."}));
    QCOMPARE(server.commands, (QList<QByteArray>{"HELO example.com", "MAIL FROM: <kestrel@example.com>",
                                                 "RCPT TO: <admin@example.net>", "DATA", "QUIT"}));
    QVERIFY(!run.progress.isEmpty());
    QCOMPARE(run.progress.last(), 100);
}

void TestSendMailScripted::loginPromptsWhateverTheirWording_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("pieceSize");
    QTest::newRow("usual words, whole") << QByteArray("Username:") << QByteArray("Password:") << 1000;
    QTest::newRow("upper case, byte by byte") << QByteArray("USERNAME:") << QByteArray("PASSWORD:") << 1;
    QTest::newRow("other words, by order") << QByteArray("User Name") << QByteArray("Pass Phrase") << 3;
    QTest::newRow("password asked first") << QByteArray("password") << QByteArray("username") << 5;
}

void TestSendMailScripted::loginPromptsWhateverTheirWording()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, pieceSize);
    ScriptedMailServer server;
    server.greeting = ScriptedMailServer::cut("220 scripted ready\r\n", pieceSize);
    server.replies["EHLO"] = ScriptedMailServer::cut(
        "250-scripted.example.com\r\n250-SIZE 1000000\r\n250-AUTH LOGIN PLAIN\r\n250 HELP\r\n", pieceSize);
    server.replies["AUTH LOGIN"] = ScriptedMailServer::cut("334 " + first.toBase64() + "\r\n", pieceSize);
    server.loginReplies = {ScriptedMailServer::cut("334 " + second.toBase64() + "\r\n", pieceSize),
                           ScriptedMailServer::cut("235 2.7.0 accepted\r\n", pieceSize)};
    clsSendMail mail;
    address(mail, server);
    mail.setUseAuthentication(true);
    mail.setUsername(QStringLiteral("report"));
    mail.setPassword(QStringLiteral("s3cret"));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList());
    const qsizetype auth = server.commands.indexOf("AUTH LOGIN");
    QVERIFY(auth > 0);
    QCOMPARE(server.commands.at(0), QByteArray("EHLO example.com"));
    const bool userFirst = !first.toLower().contains("password");
    QCOMPARE(QByteArray::fromBase64(server.commands.at(auth + 1)), userFirst ? "report" : "s3cret");
    QCOMPARE(QByteArray::fromBase64(server.commands.at(auth + 2)), userFirst ? "s3cret" : "report");
    QVERIFY(run.statuses.contains("Sending Login Authentication..."));
    QVERIFY(run.statuses.contains("Host Login OK!"));
    QCOMPARE(server.messages.size(), 1);
}

void TestSendMailScripted::loginOffer_data()
{
    QTest::addColumn<QByteArray>("ehlo");
    QTest::addColumn<bool>("offered");
    QTest::newRow("AUTH LOGIN PLAIN") << QByteArray("250-host\r\n250 AUTH LOGIN PLAIN\r\n") << true;
    QTest::newRow("AUTH=LOGIN") << QByteArray("250-host\r\n250-AUTH=LOGIN\r\n250 OK\r\n") << true;
    QTest::newRow("AUTH PLAIN alone") << QByteArray("250-host\r\n250-AUTH PLAIN\r\n250 OK\r\n") << false;
    QTest::newRow("no AUTH") << QByteArray("250 login.example.com\r\n") << false;
}

void TestSendMailScripted::loginOffer()
{
    QFETCH(QByteArray, ehlo);
    QFETCH(bool, offered);
    ScriptedMailServer server;
    server.replies["EHLO"] = {ehlo};
    clsSendMail mail;
    address(mail, server);
    mail.setUseAuthentication(true);
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.successes, 1);
    QCOMPARE(server.commands.contains("AUTH LOGIN"), offered);
    QCOMPARE(run.statuses.contains("Login Not Supported by Host, Continuing..."), !offered);
}

void TestSendMailScripted::refusedLoginFails_data()
{
    using Pieces = ScriptedMailServer::Pieces;
    QTest::addColumn<QList<Pieces>>("loginReplies");
    QTest::newRow("refused") << QList<Pieces>{{"334 UGFzc3dvcmQ6\r\n"},
                                              {"535 5.7.8 Authentication credentials invalid\r\n"}};
    // A server that prompts again and again cannot hold the login.
    QTest::newRow("prompts without end") << QList<Pieces>(100, {"334 UGFzc3dvcmQ6\r\n"});
}

void TestSendMailScripted::refusedLoginFails()
{
    QFETCH(QList<ScriptedMailServer::Pieces>, loginReplies);
    ScriptedMailServer server;
    server.loginReplies = loginReplies;
    clsSendMail mail;
    address(mail, server);
    mail.setUseAuthentication(true);
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList{"Host Login Failed!"});
    QCOMPARE(run.successes, 0);
    QVERIFY(run.statuses.contains("Host Login Failed!"));
    QVERIFY(!server.commands.contains("MAIL FROM: <kestrel@example.com>"));
    QCOMPARE(server.commands.last(), QByteArray("QUIT"));
    QVERIFY(server.commands.size() < 10);
}

void TestSendMailScripted::credentialsInClearOnlyWithoutEncryption_data()
{
    QTest::addColumn<MailEncryption>("encryption");
    QTest::addColumn<bool>("popLogin");
    QTest::addColumn<QString>("failure"); // empty: sent
    QTest::newRow("STARTTLS not offered") << MailEncryption::StartTls << false << clsSendMail::NoStartTls;
    QTest::newRow("POP3 login under STARTTLS")
        << MailEncryption::StartTls << true << clsSendMail::PopLoginNeedsNoEncryption;
    QTest::newRow("none chosen") << MailEncryption::None << false << "";
}

void TestSendMailScripted::credentialsInClearOnlyWithoutEncryption()
{
    QFETCH(MailEncryption, encryption);
    QFETCH(bool, popLogin);
    QFETCH(QString, failure);
    ScriptedMailServer server;
    clsSendMail mail;
    address(mail, server);
    mail.setEncryption(encryption);
    mail.setUseAuthentication(true);
    mail.setUsername(QStringLiteral("report"));
    mail.setPassword(QStringLiteral("s3cret"));
    mail.setUsePopAuthentication(popLogin);
    mail.setPOP3Host(QStringLiteral("127.0.0.1"));
    mail.setPOP3Port(server.port());
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, failure.isEmpty() ? QStringList() : QStringList{failure});
    QCOMPARE(server.commands.contains("AUTH LOGIN"), failure.isEmpty());
    QCOMPARE(server.commands.contains(QByteArray("s3cret").toBase64()), failure.isEmpty());
    QCOMPARE(server.connections, popLogin ? 0 : 1);
}

void TestSendMailScripted::unknownReplyEndsTheSend()
{
    ScriptedMailServer server;
    server.replies["RCPT"] = {"550 5.1.1 ", "no such user\r\n"};
    clsSendMail mail;
    address(mail, server);
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList{"550 5.1.1 no such user"});
    QVERIFY(!server.commands.contains("DATA"));
    QCOMPARE(run.statuses.last(), QStringLiteral("Closing Connection..."));
}

void TestSendMailScripted::silentServerTimesOut_data()
{
    QTest::addColumn<QByteArray>("silentAt");
    QTest::newRow("greeting") << QByteArray("greeting");
    QTest::newRow("HELO") << QByteArray("HELO");
    QTest::newRow("MAIL") << QByteArray("MAIL");
    QTest::newRow("end of DATA") << QByteArray("end of DATA");
}

void TestSendMailScripted::silentServerTimesOut()
{
    QFETCH(QByteArray, silentAt);
    ScriptedMailServer server;
    if (silentAt == "greeting")
        server.greeting.clear();
    else if (silentAt == "end of DATA")
        server.dataReply.clear();
    else
        server.replies[silentAt] = {};
    clsSendMail mail;
    address(mail, server);
    mail.setSecondLength(50ms);
    mail.setConnectTimeout(2);
    mail.setMessageTimeout(2);
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QTest::qWait(300); // a second report would come within the scaled seconds
    QCOMPARE(run.failures, QStringList{clsSendMail::TimeoutMessage});
    QCOMPARE(run.successes, 0);
}

void TestSendMailScripted::closedPortAfterRetries()
{
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    clsSendMail mail;
    ScriptedMailServer unused;
    address(mail, unused);
    mail.setSMTPPort(port);
    mail.setConnectRetry(3);
    int sockets = 0;
    mail.setSocketFactory([&sockets] {
        ++sockets;
        return new QSslSocket;
    });
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(sockets, 3);
    QCOMPARE(run.failures, QStringList{"Connection refused"});
}

void TestSendMailScripted::messageLinesOnTheWire()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scan.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(45 + 14, 'k')); // a full line and a 14-byte line, which begins with "."
    file.close();

    ScriptedMailServer server;
    clsSendMail mail;
    address(mail, server);
    mail.setEncodeType(1);
    mail.setAttachment(path);
    mail.setMessage(
        QStringLiteral(".hidden\r\n") + QString(2000, QLatin1Char('x')) + QStringLiteral("\r\n."));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList());
    QVERIFY(run.statuses.contains("Sending Attachment, scan.bin..."));
    QCOMPARE(server.messages.size(), 1);
    QVERIFY(server.messages.first().endsWith("\r\n"));
    QList<QByteArray> body;
    for (const QByteArray &line : server.messages.first().chopped(2).split('\n'))
        body.append(line.endsWith('\r') ? line.chopped(1) : line);
    const qsizetype start = body.indexOf("..hidden");
    QVERIFY(start > 0);
    QVERIFY(!body.contains("MIME-Version: 1.0")); // plain text
    QCOMPARE(body.at(start + 1), QByteArray(998, 'x'));
    QCOMPARE(body.at(start + 2), QByteArray(998, 'x'));
    QCOMPARE(body.at(start + 3), QByteArray(4, 'x'));
    QCOMPARE(body.at(start + 4), QByteArray(".."));
    QCOMPARE(body.at(start + 5), QByteArray());
    QCOMPARE(body.at(start + 6), QByteArray("begin 600 scan.bin"));
    QVERIFY(body.at(start + 7).startsWith('M'));
    QVERIFY(body.at(start + 8).startsWith("..")); // stuffed length character of 14 bytes
    QCOMPARE(body.at(start + 9), QByteArray("`"));
    QCOMPARE(body.at(start + 10), QByteArray("end"));
}

void TestSendMailScripted::keptConnectionServesTwoSends()
{
    ScriptedMailServer server;
    clsSendMail mail;
    address(mail, server);
    MailRun run(mail);
    QVERIFY(mail.Connect());
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    mail.setSubject(QStringLiteral("Second"));
    mail.Send();
    QVERIFY(run.waitForEnd(mail, 2));
    QCOMPARE(run.successes, 2);
    QCOMPARE(server.messages.size(), 2);
    QCOMPARE(server.connections, 1);
    QVERIFY(!server.commands.contains("QUIT"));
    mail.Disconnect();
    QTRY_VERIFY(server.commands.contains("QUIT"));
    QTRY_VERIFY(!mail.isBusy());
}

void TestSendMailScripted::hostileServerEndsTheSend_data()
{
    using Pieces = ScriptedMailServer::Pieces;
    QTest::addColumn<QByteArray>("at"); // the command answered so, or the greeting
    QTest::addColumn<Pieces>("pieces");
    QTest::addColumn<QByteArray>("floodText");
    QTest::addColumn<int>("pieceIntervalMs");
    QTest::addColumn<QString>("failure");

    const Pieces flood{"250-scripted.example.com\r\n", ScriptedMailServer::Flood};
    QTest::newRow("endless 250- lines")
        << QByteArray("HELO") << flood << QByteArray("250-AUTH LOGIN PLAIN\r\n") << 5
        << QStringLiteral("The mail server sent a reply of more than 512 lines.");
    QTest::newRow("one huge line") << QByteArray("HELO") << flood << QByteArray(1000, 'x') << 5
                                   << QStringLiteral(
                                          "The mail server sent a reply of more than 65536 bytes.");
    QTest::newRow("a byte a second") << QByteArray("greeting")
                                     << ScriptedMailServer::cut("220 scripted.example.com ready\r\n", 1)
                                     << QByteArray() << 1000
                                     << QString::fromLatin1(clsSendMail::TimeoutMessage);
    // A NUL, a bell, terminal escapes (ESC and the one-byte CSI) and a lone CR.
    QTest::newRow("control characters")
        << QByteArray("MAIL")
        << Pieces{QByteArrayLiteral("550-no\x00\x07 \x1b[2J\r\n550 5.7.1 \x9b"
                                    "31mbad\rsender\r\n")}
        << QByteArray() << 5 << QStringLiteral("550-no\\x00\\x07 \\x1b[2J\r\n550 5.7.1 \\x9b31mbad\\rsender");
    QTest::newRow("closed mid-line") << QByteArray("MAIL")
                                     << Pieces{"250-first\r\n250 sec", ScriptedMailServer::Hangup}
                                     << QByteArray() << 5 << QString::fromLatin1(clsSendMail::ClosedMidReply);
}

// Whatever the server sends, the send ends within one step's time-out with a
// message that says why, and the client stops taking bytes once a reply has
// gone beyond its bounds (the server counts what the client took).
void TestSendMailScripted::hostileServerEndsTheSend()
{
    QFETCH(QByteArray, at);
    QFETCH(ScriptedMailServer::Pieces, pieces);
    QFETCH(QByteArray, floodText);
    QFETCH(int, pieceIntervalMs);
    QFETCH(QString, failure);
    ScriptedMailServer server;
    server.setPieceInterval(pieceIntervalMs);
    server.floodText = floodText;
    if (at == "greeting")
        server.greeting = pieces;
    else
        server.replies[at] = pieces;
    clsSendMail mail;
    address(mail, server);
    mail.setSecondLength(100ms); // each step may take a second
    mail.setConnectTimeout(10);
    mail.setMessageTimeout(10);
    MailRun run(mail);
    QElapsedTimer clock;
    qint64 endedAfterMs = -1;
    connect(&mail, &clsSendMail::SendFailed, this, [&] { endedAfterMs = clock.elapsed(); });
    clock.start();
    mail.Send();
    QVERIFY(run.waitForEnd(mail, 1, 10000));
    QCOMPARE(run.failures, QStringList{failure});
    QVERIFY2(endedAfterMs < 2500, qPrintable(QString::number(endedAfterMs)));
    QVERIFY2(server.floodedBytes < 16 * 1024 * 1024, qPrintable(QString::number(server.floodedBytes)));
}

QTEST_GUILESS_MAIN(TestSendMailScripted)
#include "TestSendMailScripted.moc"
