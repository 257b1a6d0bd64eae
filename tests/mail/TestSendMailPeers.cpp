#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

#include "mail/clsSendMail.h"
#include "tests/mail/MailPeer.h"
#include "tests/mail/MailRun.h"

using namespace std::chrono_literals;

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

QByteArray sample(int size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = char(x >> 24);
    }
    return data;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The sender against real mail servers on 127.0.0.1 started by the test:
// aiosmtpd (AUTH LOGIN, STARTTLS, TLS from the first byte) and, for POP3
// before SMTP, dovecot.
class TestSendMailPeers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void attachmentsReadBack_data();
    void attachmentsReadBack();
    void refusedLogin();
    void encrypted_data();
    void encrypted();
    void untrustedCertificateFails();
    void popBeforeSmtp_data();
    void popBeforeSmtp();

private:
    bool startSmtp(MailPeer &peer, const QStringList &extra);
    void address(clsSendMail &mail, quint16 port);

    QTemporaryDir m_dir;
    QString m_spool;
    QString m_cert;
    QString m_key;
};

void TestSendMailPeers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    m_cert = m_dir.filePath(QStringLiteral("cert.pem"));
    m_key = m_dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", m_key, "-out", m_cert});
    QVERIFY(openssl.waitForFinished(60000));
    QVERIFY2(openssl.exitCode() == 0, openssl.readAll().constData());
}

void TestSendMailPeers::init()
{
    static int run = 0;
    m_spool = m_dir.filePath(QStringLiteral("spool%1").arg(++run));
    QVERIFY(QDir().mkpath(m_spool));
}

bool TestSendMailPeers::startSmtp(MailPeer &peer, const QStringList &extra)
{
    const QString script = QString::fromLocal8Bit(qgetenv("NETKESTREL_SOURCE_DIR")) +
                           QStringLiteral("/tests/mail/smtp_peer.py");
    const bool started = peer.start(Python, QStringList{script, "--spool", m_spool} + extra);
    if (!started)
        qWarning("%s", qPrintable(peer.output()));
    return started;
}

void TestSendMailPeers::address(clsSendMail &mail, quint16 port)
{
    mail.setSMTPHost(QStringLiteral("127.0.0.1"));
    mail.setSMTPPort(port);
    mail.setFrom(QStringLiteral("kestrel@example.com"));
    mail.setRecipient(QStringLiteral("admin@example.net"));
    mail.setSubject(QStringLiteral("Findings"));
    mail.setUsername(QStringLiteral("report"));
    mail.setPassword(QStringLiteral("s3cret"));
    mail.setUseAuthentication(true);
    mail.setEncryption(MailEncryption::None); // the peer's own choice where it speaks TLS
}

void TestSendMailPeers::attachmentsReadBack_data()
{
    QTest::addColumn<int>("encodeType");
    QTest::newRow("MIME, base64") << 0;
    QTest::newRow("plain text, uuencode") << 1;
}

void TestSendMailPeers::attachmentsReadBack()
{
    QFETCH(int, encodeType);
    MailPeer peer;
    QVERIFY(startSmtp(peer, {"--user", "report", "--password", "s3cret"}));

    // A small file whose last uuencoded line holds 14 bytes (it begins with
    // "."), and one that takes several pieces.
    const QString small = m_dir.filePath(QStringLiteral("2026-12-07_17-30-00_Results.TXT"));
    const QString large = m_dir.filePath(QStringLiteral("blob.bin"));
    const QByteArray smallData = sample(45 * 3 + 14, 1);
    const QByteArray largeData = sample(40000, 2);
    for (const auto &[path, data] : {std::pair{small, smallData}, std::pair{large, largeData}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    clsSendMail mail;
    address(mail, peer.port());
    mail.setEncodeType(encodeType);
    mail.setAttachment(small + QLatin1Char(';') + large);
    mail.setMessage(QStringLiteral("Daily report\r\n.hidden\r\n\r\nGet details from attachment."));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList());
    QCOMPARE(run.successes, 1);
    QVERIFY(run.statuses.contains("Host Login OK!"));
    QVERIFY(run.statuses.contains("Sending Attachment, blob.bin..."));

    QCOMPARE(readFile(m_spool + QStringLiteral("/1-2026-12-07_17-30-00_Results.TXT")), smallData);
    QCOMPARE(readFile(m_spool + QStringLiteral("/1-blob.bin")), largeData);
    const QByteArray message = readFile(m_spool + QStringLiteral("/1.eml"));
    QVERIFY(message.contains("\r\nSubject: Findings\r\n"));
    QVERIFY(message.contains("Daily report\r\n.hidden\r\n")); // stuffed on the wire, restored by the server
    QCOMPARE(message.contains("MIME-Version: 1.0"), encodeType == 0);
}

void TestSendMailPeers::refusedLogin()
{
    MailPeer peer;
    QVERIFY(startSmtp(peer, {"--user", "report", "--password", "other"}));
    clsSendMail mail;
    address(mail, peer.port());
    mail.setMessage(QStringLiteral("x"));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.failures, QStringList{clsSendMail::LoginFailed});
    QVERIFY(!QFile::exists(m_spool + QStringLiteral("/1.eml")));
}

void TestSendMailPeers::encrypted_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<MailEncryption>("encryption");
    QTest::newRow("STARTTLS") << "--starttls" << MailEncryption::StartTls;
    QTest::newRow("TLS from the first byte") << "--tls" << MailEncryption::Tls;
}

void TestSendMailPeers::encrypted()
{
    QFETCH(QString, option);
    QFETCH(MailEncryption, encryption);
    MailPeer peer;
    QVERIFY(startSmtp(peer, {"--user", "report", "--password", "s3cret", option, m_cert, m_key}));
    clsSendMail mail;
    address(mail, peer.port());
    mail.setEncryption(encryption);
    mail.setCaFile(m_cert);
    mail.setMessage(QStringLiteral("over TLS"));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QVERIFY2(run.failures.isEmpty(), qPrintable(run.failures.join(QLatin1Char('|'))));
    QVERIFY(run.statuses.contains("Host Login OK!"));
    QVERIFY(readFile(m_spool + QStringLiteral("/1.eml")).contains("over TLS"));
}

void TestSendMailPeers::untrustedCertificateFails()
{
    MailPeer peer;
    QVERIFY(startSmtp(peer, {"--user", "report", "--password", "s3cret", "--starttls", m_cert, m_key}));
    clsSendMail mail;
    address(mail, peer.port());
    mail.setEncryption(MailEncryption::StartTls); // the system's trust store knows no such certificate
    mail.setMessage(QStringLiteral("never sent"));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.successes, 0);
    QCOMPARE(run.failures.size(), 1);
    QVERIFY(!run.failures.first().isEmpty());
    QVERIFY(!run.statuses.contains("Sending Login Authentication..."));
    QVERIFY(!QFile::exists(m_spool + QStringLiteral("/1.eml")));
}

void TestSendMailPeers::popBeforeSmtp_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("failure");
    QTest::newRow("good password") << "s3cret" << QString();
    QTest::newRow("bad password") << "wrong"
                                  << "-ERR [AUTH] Authentication failed.";
}

void TestSendMailPeers::popBeforeSmtp()
{
    QFETCH(QString, password);
    QFETCH(QString, failure);
    if (::geteuid() != 0)
        QSKIP("dovecot needs root to drop to its own users");
    MailPeer pop3;
    const QString script = QString::fromLocal8Bit(qgetenv("NETKESTREL_SOURCE_DIR")) +
                           QStringLiteral("/tests/mail/pop3_peer.sh");
    QVERIFY2(pop3.start(QStringLiteral("bash"), {script, "report", "s3cret"}), qPrintable(pop3.output()));
    MailPeer smtp;
    QVERIFY(startSmtp(smtp, {}));

    clsSendMail mail;
    address(mail, smtp.port());
    mail.setUseAuthentication(false);
    mail.setUsePopAuthentication(true);
    mail.setPOP3Host(QStringLiteral("127.0.0.1"));
    mail.setPOP3Port(pop3.port());
    mail.setPassword(password);
    mail.setMessage(QStringLiteral("after POP3"));
    MailRun run(mail);
    mail.Send();
    QVERIFY(run.waitForEnd(mail));
    QCOMPARE(run.statuses.first(), QStringLiteral("Connecting to POP3 Server (127.0.0.1)..."));
    if (failure.isEmpty()) {
        QVERIFY2(run.failures.isEmpty(), qPrintable(run.failures.join(QLatin1Char('|'))));
        QCOMPARE(run.statuses.at(1), QStringLiteral("POP3 Authentication Successful..."));
        QCOMPARE(run.statuses.at(2), QStringLiteral("Connecting to SMTP Server (127.0.0.1)..."));
        QVERIFY(readFile(m_spool + QStringLiteral("/1.eml")).contains("after POP3"));
    } else {
        QCOMPARE(run.failures, QStringList{failure});
        QVERIFY(!run.statuses.contains("Connecting to SMTP Server (127.0.0.1)..."));
        QVERIFY(!QFile::exists(m_spool + QStringLiteral("/1.eml")));
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QProcess probe;
    probe.start(Python, {"-c", "import aiosmtpd"});
    if (!probe.waitForFinished(10000) || probe.exitCode() != 0) {
        std::fputs("TestSendMailPeers: /usr/bin/python3 with aiosmtpd is missing; skipped\n", stderr);
        return 77;
    }
    TestSendMailPeers test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSendMailPeers.moc"
