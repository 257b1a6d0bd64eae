#include <QDir>
#include <QFile>
#include <QTest>

#include "mail/ReportBuilder.h"
#include "mail/ReportLog.h"
#include "platform/SettingsSection.h"
#include "tests/mail/MailPeer.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"

namespace {

// Two rows that the records contradict, one that they confirm.
const QByteArray ScanFile = "\"1\",\"198.18.7.10\",\"00-0A-E4-00-00-0A\",\"PC-A\",\"OFFICE\",\"\"\r\n"
                            "\"2\",\"198.18.7.11\",\"00-0A-E4-00-00-0B\",\"\",\"\",\"\"\r\n"
                            "\"3\",\"198.18.7.13\",\"00-0A-E4-00-00-0D\",\"\",\"\",\"\"\r\n";
const QByteArray QuietScanFile = "\"1\",\"198.18.7.10\",\"00-0A-E4-00-00-0A\",\"PC-A\",\"OFFICE\",\"\"\r\n";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QStringList MailFlags{"--smtp-host",  "127.0.0.1",
                            "--user",       "report",
                            "--sender",     "kestrel@example.com",
                            "--recipient",  "admin@example.net",
                            "--subject",    "Findings",
                            "--message",    "Daily findings",
                            "--auth",       "1",
                            "--encryption", "none"};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

// netkestrel-cli report --now end to end: a scan result file analysed against
// the records and the report mailed to aiosmtpd on 127.0.0.1, which this test
// starts and stops; the message and its attachment read back from its spool.
class TestReportCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void report_data();
    void report();
    void badUsage_data();
    void badUsage();
    void reportFileCannotBeWritten();

private:
    std::unique_ptr<RecordFixture> m_f;
    std::unique_ptr<MailPeer> m_peer;
    QString m_spool;
};

void TestReportCli::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
    qputenv("XDG_CONFIG_HOME", m_f->filePath(QStringLiteral("config")).toLocal8Bit());
    QVERIFY(m_f->add(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-00-00-0A")).id > 0);
    QVERIFY(m_f->add(QStringLiteral("198.18.7.11"), QStringLiteral("00-0A-E4-00-00-0C")).id > 0);
    QVERIFY(writeFile(m_f->filePath(QStringLiteral("scan.kst")), ScanFile));
    QVERIFY(writeFile(m_f->filePath(QStringLiteral("quiet.kst")), QuietScanFile));
    QVERIFY(writeFile(m_f->filePath(QStringLiteral("pw")), "s3cret\n"));
    QVERIFY(writeFile(m_f->filePath(QStringLiteral("wrong-pw")), "guess\n"));

    m_spool = m_f->filePath(QStringLiteral("spool"));
    QVERIFY(QDir().mkpath(m_spool));
    const QString script = QString::fromLocal8Bit(qgetenv("NETKESTREL_SOURCE_DIR")) +
                           QStringLiteral("/tests/mail/smtp_peer.py");
    m_peer = std::make_unique<MailPeer>();
    QVERIFY2(m_peer->start(QStringLiteral("/usr/bin/python3"),
                           {script, "--spool", m_spool, "--user", "report", "--password", "s3cret"}),
             qPrintable(m_peer->output()));
}

void TestReportCli::cleanup()
{
    m_peer.reset(); // stopped by its own process id when it does not end
    m_f.reset();
}

void TestReportCli::report_data()
{
    QTest::addColumn<bool>("stored"); // the settings from the store, else all from flags
    QTest::addColumn<QString>("scanFile");
    QTest::addColumn<QString>("passwordFile");
    QTest::addColumn<bool>("skipEmpty");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("bodyEnd"); // empty: no mail arrives
    QTest::addColumn<QString>("site");    // empty: no --site

    const QString sent = QStringLiteral("Email report sent to admin@example.net.");
    const QString attached = QStringLiteral("Get details from attachment.");
    const QString noResults = QStringLiteral("No analysis results. ");
    const QString site = QStringLiteral("lab-3");
    // CR LF: the body's CR line ends as SMTP carries them.
    const QString siteLine = QStringLiteral("\r\n\r\nSite: lab-3");
    QTest::newRow("flags, findings") << false << "scan.kst"
                                     << "pw" << true << 0 << sent << attached << QString();
    QTest::newRow("stored, findings") << true << "scan.kst"
                                      << "pw" << true << 0 << sent << attached << QString();
    QTest::newRow("no findings, ISresult off") << true << "quiet.kst"
                                               << "pw" << false << 0 << sent << noResults << QString();
    QTest::newRow("no findings, ISresult on")
        << true << "quiet.kst"
        << "pw" << true << 0 << QStringLiteral("Email report: no analysis results, nothing sent.")
        << QString() << QString();
    QTest::newRow("login refused") << false << "scan.kst"
                                   << "wrong-pw" << true << 1
                                   << QStringLiteral("Email report not sent: Host Login Failed!") << QString()
                                   << QString();
    QTest::newRow("findings of a site") << false << "scan.kst"
                                        << "pw" << true << 0 << sent << attached + siteLine << site;
    QTest::newRow("no findings of a site") << true << "quiet.kst"
                                           << "pw" << false << 0 << sent << noResults + siteLine << site;
}

void TestReportCli::report()
{
    QFETCH(bool, stored);
    QFETCH(QString, scanFile);
    QFETCH(QString, passwordFile);
    QFETCH(bool, skipEmpty);
    QFETCH(int, status);
    QFETCH(QString, outcome);
    QFETCH(QString, bodyEnd);
    QFETCH(QString, site);

    QStringList arguments{"report",          "--now",
                          "--data-dir",      m_f->folder(),
                          "--scan-file",     m_f->filePath(scanFile),
                          "--smtp-port",     QString::number(m_peer->port()),
                          "--password-file", m_f->filePath(passwordFile)};
    const QStringList mailFlags = MailFlags;
    if (stored) {
        const SettingsSection store(QStringLiteral("Netkestrel"), QStringLiteral("SETTINGS"));
        for (qsizetype i = 0; i < mailFlags.size(); i += 2) {
            static const QHash<QString, QString> names{
                {"--smtp-host", "SMTPHost"}, {"--user", "USER"},
                {"--sender", "SENDER"},      {"--recipient", "Recipient"},
                {"--subject", "Subject"},    {"--message", "Message"},
                {"--auth", "AUTH"},          {"--encryption", "Encryption"}};
            store.setValue(names.value(mailFlags.at(i)), mailFlags.at(i + 1));
        }
        store.setValue(QStringLiteral("ISresult"), skipEmpty ? 1 : 0);
    } else {
        arguments += mailFlags;
    }
    if (!site.isEmpty())
        arguments += QStringList{"--site", site};

    const CliProcess::Run run = CliProcess::run(arguments);
    QVERIFY2(run.status == status, qPrintable(run.out + run.err));
    QCOMPARE(run.out, outcome + QLatin1Char('\n'));
    const QString log = QString::fromUtf8(readFile(ReportLog::path(m_f->folder())));
    QVERIFY2(log.endsWith(QLatin1Char('\t') + outcome + QLatin1Char('\n')), qPrintable(log));

    const QStringList reports = QDir(m_f->folder()).entryList({QStringLiteral("*_Results.TXT")}, QDir::Files);
    const bool withFindings = scanFile == QLatin1String("scan.kst");
    QCOMPARE(reports.size(), withFindings ? 1 : 0);
    if (bodyEnd.isEmpty()) {
        QVERIFY(!QFile::exists(m_spool + QStringLiteral("/1.eml")));
        return;
    }
    // The sender's status texts, in their order, one a line.
    const qsizetype connecting =
        run.err.indexOf(QStringLiteral("Connecting to SMTP Server (127.0.0.1)...\n"));
    QVERIFY2(connecting >= 0 && connecting < run.err.indexOf(QStringLiteral("Transmission Complete...\n")),
             qPrintable(run.err));
    const QByteArray mail = readFile(m_spool + QStringLiteral("/1.eml"));
    QVERIFY(mail.contains("Subject: Findings"));
    // The body's lines are joined by CR alone; SMTP carries each as a CR LF line.
    QVERIFY2(mail.contains(QByteArray("Daily findings\r\n\r\n********************************\r\n\r\n") +
                           bodyEnd.toUtf8()),
             mail.constData());
    // Without --site the body is what it always was: the host name is not said.
    QCOMPARE(mail.contains("Site: "), !site.isEmpty());
    if (withFindings) {
        // The attachment arrives as the report file was written.
        const QByteArray file = readFile(m_f->filePath(reports.first()));
        QVERIFY(file.startsWith("Date/Time\t\t"));
        QCOMPARE(readFile(m_spool + QStringLiteral("/1-") + reports.first()), file);
    }
}

void TestReportCli::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("without --now") << QStringList{"report", "--scan-file", "x.kst"};
    QTest::newRow("--auth 2") << QStringList{"report", "--now", "--scan-file", "x.kst", "--auth", "2"};
    QTest::newRow("--encryption ssl")
        << QStringList{"report", "--now", "--scan-file", "x.kst", "--encryption", "ssl"};
    QTest::newRow("--smtp-port 0") << QStringList{"report", "--now",       "--scan-file",
                                                  "x.kst",  "--smtp-port", "0"};
    QTest::newRow("watch --report --auth x")
        << QStringList{"watch", "--report", "--range", "198.18.7.0/24", "--auth", "x"};
}

void TestReportCli::badUsage()
{
    QFETCH(QStringList, arguments);
    const CliProcess::Run run = CliProcess::run(arguments + QStringList{"--data-dir", m_f->folder()});
    QCOMPARE(run.status, 2);
    QVERIFY(!QFile::exists(m_spool + QStringLiteral("/1.eml")));
}

// The report file cannot be written (a folder holds its name): the mail still
// goes out, with the body that says so and no attachment, but the run fails
// and says which file and why.
void TestReportCli::reportFileCannotBeWritten()
{
    // The report is named by the second it is made: block the next minutes.
    const QDateTime now = QDateTime::currentDateTime();
    for (int second = 0; second < 180; ++second)
        QVERIFY(QDir().mkpath(ReportBuilder::filePath(m_f->folder(), now.addSecs(second))));

    const CliProcess::Run run = CliProcess::run(
        QStringList{"report", "--now", "--data-dir", m_f->folder(), "--scan-file",
                    m_f->filePath(QStringLiteral("scan.kst")), "--smtp-port", QString::number(m_peer->port()),
                    "--password-file", m_f->filePath(QStringLiteral("pw"))} +
        MailFlags);
    QVERIFY2(run.status == 1, qPrintable(run.out + run.err));
    QString reason = QStringLiteral("_Results.TXT cannot be written.\r\nFilename refers to a directory");
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
    reason.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    QVERIFY2(run.out.startsWith(QStringLiteral("Email report sent to admin@example.net without its report "
                                               "file: The file %1/")
                                    .arg(QDir::toNativeSeparators(m_f->folder()))) &&
                 run.out.endsWith(reason + QLatin1Char('\n')),
             qPrintable(run.out));
    const QByteArray mail = readFile(m_spool + QStringLiteral("/1.eml"));
    QVERIFY2(mail.contains("********************************\r\n\r\nNo Analysis Result generated. "),
             mail.constData());
    QVERIFY(!mail.contains("Content-Disposition: attachment"));
}

QTEST_GUILESS_MAIN(TestReportCli)
#include "TestReportCli.moc"
