#include <QFile>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include "mail/clsSendMail.h"
#include "platform/SettingsSection.h"
#include "tests/mail/MailRun.h"

// The sender's properties: defaults, checks and their messages, the stored
// settings, and the sends that fail before any connection is made.
class TestSendMailProperties : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaults();
    void checks_data();
    void checks();
    void errorListKeyedByText();
    void listsAreTrimmedAndJoined();
    void contentBase_data();
    void contentBase();
    void hostValidation_data();
    void hostValidation();
    void failsBeforeConnecting_data();
    void failsBeforeConnecting();
    void emptyHostFailsEveryTime();
    void storedSettingsComeBack();
    void nothingStoredWhileOff();
    void settingNamesIgnoreCase();

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestSendMailProperties::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
}

void TestSendMailProperties::defaults()
{
    clsSendMail mail;
    QVERIFY(!mail.AsHTML());
    QCOMPARE(mail.ConnectRetry(), 4);
    QCOMPARE(mail.ConnectTimeout(), 40);
    QCOMPARE(mail.Delimiter(), QLatin1Char(';'));
    QCOMPARE(mail.EmailAddressValidation(), 1);
    QCOMPARE(mail.EncodeType(), 0);
    QCOMPARE(mail.MaxRecipients(), 100);
    QCOMPARE(mail.MessageTimeout(), 60);
    QVERIFY(!mail.PersistentSettings());
    QCOMPARE(mail.Priority(), 3);
    QCOMPARE(mail.SMTPHostValidation(), 3);
    QCOMPARE(mail.SMTPPort(), 25);
    QCOMPARE(mail.POP3Port(), 110);
    QVERIFY(!mail.UseAuthentication());
    QVERIFY(!mail.UsePopAuthentication());
    QCOMPARE(mail.Encryption(), MailEncryption::StartTls);
    QVERIFY(mail.errors().isEmpty());
}

using Setter = std::function<void(clsSendMail &, const QString &)>;
Q_DECLARE_METATYPE(Setter)

void TestSendMailProperties::checks_data()
{
    QTest::addColumn<Setter>("set");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("message");
    QTest::newRow("Recipient") << Setter(&clsSendMail::setRecipient) << "a@b@example.com"
                               << "a@example.com" << clsSendMail::InvalidRecipient;
    QTest::newRow("CcRecipient") << Setter(&clsSendMail::setCcRecipient) << "a@example.com;b@host"
                                 << "b@host.example.org" << clsSendMail::InvalidCc;
    QTest::newRow("BccRecipient") << Setter(&clsSendMail::setBccRecipient) << "nobody"
                                  << "" << clsSendMail::InvalidBcc;
    QTest::newRow("from") << Setter(&clsSendMail::setFrom) << "kestrel@example.zz"
                          << " kestrel@example.com " << clsSendMail::InvalidSender;
    QTest::newRow("Attachment") << Setter(&clsSendMail::setAttachment) << "/nonexistent/report.TXT"
                                << "" << clsSendMail::AttachmentMissing;
    QTest::newRow("SMTPPort") << Setter([](clsSendMail &m, const QString &t) { m.setSMTPPort(t.toInt()); })
                              << "65536"
                              << "587" << clsSendMail::InvalidPort;
    QTest::newRow("SMTPPort 0") << Setter([](clsSendMail &m, const QString &t) { m.setSMTPPort(t.toInt()); })
                                << "0"
                                << "1" << clsSendMail::InvalidPort;
    QTest::newRow("POP3Host") << Setter(&clsSendMail::setPOP3Host) << ""
                              << "127.0.0.1" << clsSendMail::InvalidPop3Host;
}

void TestSendMailProperties::checks()
{
    QFETCH(Setter, set);
    QFETCH(QString, bad);
    QFETCH(QString, good);
    QFETCH(QString, message);
    clsSendMail mail;
    set(mail, bad);
    QCOMPARE(mail.errors().messages(), QStringList{message});
    set(mail, good);
    QVERIFY(mail.errors().isEmpty());
    // Without address checks any address passes.
    if (message.contains(QLatin1String("E-mail"))) {
        mail.setEmailAddressValidation(0);
        set(mail, bad);
        QVERIFY(mail.errors().isEmpty());
    }
}

void TestSendMailProperties::errorListKeyedByText()
{
    clsSendMail mail;
    mail.setRecipient(QStringLiteral("x;y;z"));
    mail.setCcRecipient(QStringLiteral("p;q"));
    mail.setRecipient(QStringLiteral("still@bad"));
    QCOMPARE(mail.errors().messages(), (QStringList{clsSendMail::InvalidRecipient, clsSendMail::InvalidCc}));
    MailRun run(mail);
    mail.setFrom(QStringLiteral("k@example.com"));
    mail.Send();
    QCOMPARE(run.failures, QStringList{QStringLiteral("Missing or Invalid Recipient E-mail Address\r\n"
                                                      "Invalid Cc: Recipient E-mail Address")});
}

void TestSendMailProperties::listsAreTrimmedAndJoined()
{
    clsSendMail mail;
    mail.setRecipient(QStringLiteral(" a@example.com ;\tb@example.com\r\n;"));
    QCOMPARE(mail.Recipient(), QStringLiteral("a@example.com;b@example.com"));
    mail.setDelimiter(QStringLiteral(",;"));
    QCOMPARE(mail.Delimiter(), QLatin1Char(','));
    mail.setRecipientDisplayName(QStringLiteral("Ann, ,Bo"));
    QCOMPARE(mail.RecipientDisplayName(), QStringLiteral("Ann,,Bo"));
    QCOMPARE(mail.Recipient(), QStringLiteral("a@example.com,b@example.com"));
}

void TestSendMailProperties::contentBase_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("kept");
    QTest::newRow("bare") << "intranet\\reports"
                          << "http://intranet/reports/";
    QTest::newRow("complete") << "http://intranet/"
                              << "http://intranet/";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSendMailProperties::contentBase()
{
    QFETCH(QString, given);
    QFETCH(QString, kept);
    clsSendMail mail;
    mail.setContentBase(given);
    QCOMPARE(mail.ContentBase(), kept);
}

void TestSendMailProperties::hostValidation_data()
{
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("valid");
    QTest::newRow("none") << 0 << "anything" << true;
    QTest::newRow("name check, one label") << 1 << "localhost" << false;
    QTest::newRow("name check, address") << 1 << "127.0.0.1" << true;
    QTest::newRow("echo answers") << 2 << "pong.example.com" << true;
    QTest::newRow("echo silent") << 2 << "mute.example.com" << false;
    QTest::newRow("resolves") << 3 << "pong.example.com" << true;
    QTest::newRow("does not resolve") << 3 << "mute.example.com" << false;
    QTest::newRow("empty is left to the MX query") << 3 << "" << true;
}

void TestSendMailProperties::hostValidation()
{
    QFETCH(int, check);
    QFETCH(QString, host);
    QFETCH(bool, valid);
    clsSendMail mail;
    const auto known = [](const QString &name) { return name.startsWith(QLatin1String("pong")); };
    mail.setHostProbes(known, known);
    mail.setSMTPHostValidation(check);
    mail.setSMTPHost(host + QChar(0));
    QCOMPARE(mail.SMTPHost(), host);
    QCOMPARE(mail.errors().contains(clsSendMail::InvalidSmtpHost), !valid);
}

void TestSendMailProperties::failsBeforeConnecting_data()
{
    QTest::addColumn<int>("recipients");
    QTest::addColumn<bool>("html");
    QTest::addColumn<int>("encodeType");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("explanation");
    QTest::newRow("101 recipients") << 101 << false << 0 << "k@example.com" << clsSendMail::TooManyRecipients;
    QTest::newRow("HTML with EncodeType 1")
        << 1 << true << 1 << "k@example.com" << clsSendMail::HtmlNeedsMime;
    QTest::newRow("no recipient") << 0 << false << 0 << "k@example.com" << clsSendMail::NoRecipient;
    QTest::newRow("no sender") << 1 << false << 0 << "" << clsSendMail::NoSender;
}

void TestSendMailProperties::failsBeforeConnecting()
{
    QFETCH(int, recipients);
    QFETCH(bool, html);
    QFETCH(int, encodeType);
    QFETCH(QString, sender);
    QFETCH(QString, explanation);
    clsSendMail mail;
    int sockets = 0;
    mail.setSocketFactory([&sockets] {
        ++sockets;
        return new QSslSocket;
    });
    mail.setSMTPHost(QStringLiteral("127.0.0.1"));
    QStringList to;
    for (int i = 0; i < recipients; ++i)
        to.append(QStringLiteral("user%1@example.com").arg(i));
    mail.setRecipient(to.join(QLatin1Char(';')));
    mail.setAsHTML(html);
    mail.setEncodeType(encodeType);
    mail.setFrom(sender);
    MailRun run(mail);
    mail.Send();
    QCOMPARE(run.failures, QStringList{explanation});
    QCOMPARE(sockets, 0);
    QVERIFY(!mail.isBusy());
    // 100 addresses are allowed.
    if (recipients == 101) {
        mail.setMaxRecipients(101);
        mail.setSMTPHost(QString());
        mail.Send();
        QCOMPARE(run.failures.last(), QString::fromLatin1(clsSendMail::InvalidSmtpHost));
    }
}

void TestSendMailProperties::emptyHostFailsEveryTime()
{
    clsSendMail mail;
    mail.setFrom(QStringLiteral("k@example.com"));
    mail.setRecipient(QStringLiteral("admin@example.net"));
    MailRun run(mail);
    mail.Send();
    mail.Send();
    QCOMPARE(run.failures, (QStringList{clsSendMail::InvalidSmtpHost, clsSendMail::InvalidSmtpHost}));
    QCOMPARE(run.statuses, (QStringList{"Performing MX Query, Domain: example.net",
                                        "Performing MX Query, Domain: example.net"}));
    QVERIFY(!mail.Connect());
    QCOMPARE(run.failures.size(), 3);
    QCOMPARE(mail.MXQuery(QString()), QString());
    QCOMPARE(run.statuses.last(), QStringLiteral("Performing MX Query"));
}

void TestSendMailProperties::storedSettingsComeBack()
{
    {
        clsSendMail mail;
        mail.setPersistentSettings(true);
        mail.setConnectRetry(2);
        mail.setConnectTimeout(15);
        mail.setEmailAddressValidation(0);
        mail.setEncodeType(1);
        mail.setFrom(QStringLiteral("kestrel@example.com"));
        mail.setFromDisplayName(QStringLiteral("Kestrel"));
        mail.setMaxRecipients(0);
        mail.setMessageTimeout(30);
        mail.setPOP3Host(QStringLiteral("127.0.0.1"));
        mail.setSMTPHostValidation(1);
        mail.setSMTPHost(QStringLiteral("198.18.7.25"));
        mail.setSMTPPort(2525);
        mail.setUseAuthentication(true);
        mail.setUsePopAuthentication(true);
        mail.setUsername(QStringLiteral("report"));
        mail.setPassword(QStringLiteral("never-stored"));
    }
    const SettingsSection section(QStringLiteral("Postrider"), QStringLiteral("Settings"));
    for (const QString &name : SendMailProperties::savedNames())
        QVERIFY2(section.contains(name), qPrintable(name));
    QFile file(section.filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("never-stored"));

    clsSendMail mail;
    QVERIFY(mail.PersistentSettings());
    QCOMPARE(mail.ConnectRetry(), 2);
    QCOMPARE(mail.ConnectTimeout(), 15);
    QCOMPARE(mail.EmailAddressValidation(), 0);
    QCOMPARE(mail.EncodeType(), 1);
    QCOMPARE(mail.from(), QStringLiteral("kestrel@example.com"));
    QCOMPARE(mail.FromDisplayName(), QStringLiteral("Kestrel"));
    QCOMPARE(mail.MaxRecipients(), 100); // below 1 when read
    QCOMPARE(mail.MessageTimeout(), 30);
    QCOMPARE(mail.POP3Host(), QStringLiteral("127.0.0.1"));
    QCOMPARE(mail.SMTPHostValidation(), 1);
    QCOMPARE(mail.SMTPHost(), QStringLiteral("198.18.7.25"));
    QCOMPARE(mail.SMTPPort(), 2525);
    QVERIFY(mail.UseAuthentication());
    QVERIFY(mail.UsePopAuthentication());
    QCOMPARE(mail.Username(), QStringLiteral("report"));
    QCOMPARE(mail.Password(), QString());
    QVERIFY(mail.errors().isEmpty());

    mail.setPersistentSettings(false);
    clsSendMail fresh;
    QCOMPARE(fresh.SMTPPort(), 25);
}

void TestSendMailProperties::nothingStoredWhileOff()
{
    {
        clsSendMail mail;
        mail.setSMTPPort(2525);
        mail.setUsername(QStringLiteral("report"));
    }
    QVERIFY(
        !QFile::exists(SettingsSection(QStringLiteral("Postrider"), QStringLiteral("Settings")).filePath()));
    clsSendMail mail;
    QCOMPARE(mail.SMTPPort(), 25);
}

void TestSendMailProperties::settingNamesIgnoreCase()
{
    const SettingsSection section(QStringLiteral("Postrider"), QStringLiteral("Settings"));
    section.setValue(QStringLiteral("persistentsettings"), QStringLiteral("1"));
    section.setValue(QStringLiteral("REMOTEPORT"), QStringLiteral("587"));
    section.setValue(QStringLiteral("remoteport"), QStringLiteral("465")); // replaces, whatever the case
    QCOMPARE(section.value(QStringLiteral("RemotePort")), QStringLiteral("465"));
    clsSendMail mail;
    QCOMPARE(mail.SMTPPort(), 465);
}

QTEST_GUILESS_MAIN(TestSendMailProperties)
#include "TestSendMailProperties.moc"
