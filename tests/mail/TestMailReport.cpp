#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "export/ListTextWriter.h"
#include "lists/AnalysisListModel.h"
#include "mail/DailyReport.h"
#include "mail/ReportBuilder.h"
#include "mail/ReportLog.h"
#include "mail/ReportRun.h"
#include "mail/ReportSchedule.h"
#include "mail/ReportSettings.h"
#include "platform/SettingsSection.h"

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void addFindings(AnalysisListModel &list, int count)
{
    for (int i = 0; i < count; ++i)
        list.appendEntry({QStringLiteral("07/12/2026; 17:2%1").arg(i),
                          QStringLiteral("198.18.7.%1 is not in the records").arg(i + 2)});
}

const QDateTime ReportTime(QDate(2026, 12, 7), QTime(17, 30, 0));

} // namespace

// The daily report without a mail server: its settings, schedule, body, file
// and log.
class TestMailReport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void bodies_data();
    void bodies();
    void sitedBodies_data();
    void sitedBodies();
    void plans_data();
    void plans();
    void siteLeavesTheAttachmentAlone_data();
    void siteLeavesTheAttachmentAlone();
    void reportFileOfTwoFindings();
    void fileThatCannotBeWritten();
    void acknowledgedLeftOut_data();
    void acknowledgedLeftOut();
    void allAcknowledged_data();
    void allAcknowledged();
    void oncePerScheduledMinute_data();
    void oncePerScheduledMinute();
    void scheduledText_data();
    void scheduledText();
    void settingsDefaults();
    void settingsNamesIgnoreCase();
    void passwordKeptOutOfTheStore();
    void failedSendIsLoggedAndReported();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
};

void TestMailReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toLocal8Bit());
    m_data = m_dir->filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(m_data));
}

void TestMailReport::bodies_data()
{
    QTest::addColumn<int>("ending");
    QTest::addColumn<QString>("last");
    QTest::newRow("attached") << int(ReportBuilder::Ending::Attached)
                              << QStringLiteral("Get details from attachment.");
    QTest::newRow("no results") << int(ReportBuilder::Ending::NoResults)
                                << QStringLiteral("No analysis results. ");
    QTest::newRow("not generated") << int(ReportBuilder::Ending::NotGenerated)
                                   << QStringLiteral("No Analysis Result generated. ");
}

void TestMailReport::bodies()
{
    QFETCH(int, ending);
    QFETCH(QString, last);
    const QString body = ReportBuilder::body(QStringLiteral("Daily findings"), ReportBuilder::Ending(ending));
    QCOMPARE(body, QStringLiteral("Daily findings\r\r********************************\r\r") + last);
    QVERIFY(!body.contains(QLatin1Char('\n')));
}

void TestMailReport::sitedBodies_data()
{
    QTest::addColumn<int>("leftOut");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("after"); // what follows the closing line

    QTest::newRow("no site") << 0 << QString() << QString();
    QTest::newRow("a site") << 0 << QStringLiteral("lab-3") << QStringLiteral("\r\rSite: lab-3");
    QTest::newRow("left out, no site")
        << 2 << QString() << QStringLiteral("\r\rAcknowledged findings left out: 2");
    QTest::newRow("left out, then the site")
        << 2 << QStringLiteral("Floor 2 / east")
        << QStringLiteral("\r\rAcknowledged findings left out: 2\r\rSite: Floor 2 / east");
}

void TestMailReport::sitedBodies()
{
    QFETCH(int, leftOut);
    QFETCH(QString, site);
    QFETCH(QString, after);
    const QString body =
        ReportBuilder::body(QStringLiteral("Daily findings"), ReportBuilder::Ending::Attached, leftOut, site);
    QCOMPARE(body, QStringLiteral("Daily findings\r\r********************************\r\r"
                                  "Get details from attachment.") +
                       after);
    QVERIFY(!body.contains(QLatin1Char('\n')));
}

void TestMailReport::plans_data()
{
    QTest::addColumn<int>("findings");
    QTest::addColumn<bool>("skipEmpty");
    QTest::addColumn<bool>("send");
    QTest::addColumn<QString>("bodyEnd");
    QTest::addColumn<bool>("attached");
    QTest::newRow("empty, ISresult on") << 0 << true << false << QString() << false;
    QTest::newRow("empty, ISresult off")
        << 0 << false << true << QStringLiteral("No analysis results. ") << false;
    QTest::newRow("findings, ISresult on")
        << 1 << true << true << QStringLiteral("Get details from attachment.") << true;
    QTest::newRow("findings, ISresult off")
        << 3 << false << true << QStringLiteral("Get details from attachment.") << true;
}

void TestMailReport::plans()
{
    QFETCH(int, findings);
    QFETCH(bool, skipEmpty);
    QFETCH(bool, send);
    QFETCH(QString, bodyEnd);
    QFETCH(bool, attached);
    AnalysisListModel list;
    addFindings(list, findings);
    const ReportBuilder::Plan plan =
        ReportBuilder::make(list, skipEmpty, QStringLiteral("M"), m_data, ReportTime);
    QCOMPARE(plan.send, send);
    QVERIFY(plan.body.endsWith(bodyEnd));
    QCOMPARE(!plan.attachment.isEmpty(), attached);
    // A file is written only when one is attached.
    QCOMPARE(QDir(m_data).entryList(QDir::Files).size(), attached ? 1 : 0);
}

void TestMailReport::siteLeavesTheAttachmentAlone_data()
{
    QTest::addColumn<int>("findings");
    QTest::addColumn<QString>("folder"); // under the data folder; missing: the file cannot be written
    QTest::newRow("attached") << 2 << QString();
    QTest::newRow("no results") << 0 << QString();
    QTest::newRow("not generated") << 2 << QStringLiteral("missing");
}

void TestMailReport::siteLeavesTheAttachmentAlone()
{
    QFETCH(int, findings);
    QFETCH(QString, folder);
    AnalysisListModel list;
    addFindings(list, findings);
    const auto planIn = [&](const QString &name, const QString &site) {
        const QString made = m_data + QLatin1Char('/') + name;
        QDir().mkpath(made);
        return ReportBuilder::make(list, false, QStringLiteral("M"),
                                   folder.isEmpty() ? made : made + QLatin1Char('/') + folder, ReportTime, {},
                                   site);
    };
    const ReportBuilder::Plan plain = planIn(QStringLiteral("plain"), QString());
    const ReportBuilder::Plan sited = planIn(QStringLiteral("sited"), QStringLiteral("lab-3"));
    // Whichever way the report ends, the site's line follows it.
    QVERIFY(sited.send);
    QCOMPARE(sited.body, plain.body + QStringLiteral("\r\rSite: lab-3"));
    QCOMPARE(sited.attachment.isEmpty(), plain.attachment.isEmpty());
    QCOMPARE(sited.fileError.isEmpty(), plain.fileError.isEmpty());
    // The report file is the analysis list as it always was.
    QCOMPARE(readFile(sited.attachment), readFile(plain.attachment));
}

void TestMailReport::reportFileOfTwoFindings()
{
    AnalysisListModel list;
    addFindings(list, 2);
    // A folder given with its separator does not get a second one.
    const ReportBuilder::Plan plan =
        ReportBuilder::make(list, true, QStringLiteral("M"), m_data + QLatin1Char('/'), ReportTime);
    QCOMPARE(plan.attachment, m_data + QStringLiteral("/2026-12-07_17-30-00_Results.TXT"));
    const QByteArray bytes = readFile(plan.attachment);
    QCOMPARE(bytes, ListTextWriter::format(list, true));
    // The header line, an empty line and the two findings.
    QCOMPARE(bytes.count("\r\n"), 4);
    QVERIFY(bytes.startsWith("Date/Time\t\t"));
    QVERIFY(bytes.contains("198.18.7.3 is not in the records\t\r\n"));
    QCOMPARE(ReportBuilder::filePath(m_data, QDateTime(QDate(2026, 1, 2), QTime(9, 5, 7))),
             m_data + QStringLiteral("/2026-01-02_09-05-07_Results.TXT"));
}

void TestMailReport::fileThatCannotBeWritten()
{
    AnalysisListModel list;
    addFindings(list, 1);
    const ReportBuilder::Plan plan =
        ReportBuilder::make(list, true, QStringLiteral("M"), m_data + QStringLiteral("/missing"), ReportTime);
    QVERIFY(plan.send);
    QVERIFY(plan.attachment.isEmpty());
    QVERIFY(plan.body.endsWith(QStringLiteral("No Analysis Result generated. ")));
    QVERIFY(!plan.fileError.isEmpty());
}

void TestMailReport::acknowledgedLeftOut_data()
{
    QTest::addColumn<qint64>("secondsAfterReport"); // the moment the report is made, from ReportTime
    QTest::addColumn<bool>("skipEmpty");
    QTest::addColumn<QStringList>("reported"); // the pairs' last IP parts in the attachment
    QTest::addColumn<int>("leftOut");
    QTest::addColumn<bool>("send");

    // .2 is acknowledged for ever, .3 until a minute after ReportTime, .4 is not.
    QTest::newRow("both hold") << qint64(0) << true << QStringList{"4", "4"} << 3 << true;
    QTest::newRow("the last second of one") << qint64(60) << true << QStringList{"4", "4"} << 3 << true;
    QTest::newRow("one expired") << qint64(61) << true << QStringList{"3", "4", "4"} << 2 << true;
}

void TestMailReport::acknowledgedLeftOut()
{
    QFETCH(qint64, secondsAfterReport);
    QFETCH(bool, skipEmpty);
    QFETCH(QStringList, reported);
    QFETCH(int, leftOut);
    QFETCH(bool, send);

    AnalysisListModel list;
    const auto finding = [&](int host, const char *mac) {
        const QString ip = QStringLiteral("198.18.7.%1").arg(host);
        list.appendEntry({QStringLiteral("07/12/2026; 17:20"), ip + QStringLiteral(" finding"), ip,
                          QLatin1String(mac), true});
    };
    finding(2, "00-0A-E4-00-00-02");
    finding(3, "00-0A-E4-00-00-03");
    finding(2, "00-0A-E4-00-00-02");
    finding(4, "00-0A-E4-00-00-04");
    finding(4, "00-0A-E4-00-00-04");
    AcknowledgedSet acks;
    acks.insert(QStringLiteral("198.18.7.2"), QStringLiteral("00:0a:e4:00:00:02"));
    acks.insert(QStringLiteral("198.18.7.3"), QStringLiteral("00-0A-E4-00-00-03"), ReportTime.addSecs(60));
    // A pair of another MAC on an acknowledged IP is no acknowledged finding.
    acks.insert(QStringLiteral("198.18.7.4"), QStringLiteral("00-0A-E4-00-00-05"));

    const QDateTime at = ReportTime.addSecs(secondsAfterReport);
    const ReportBuilder::Plan plan =
        ReportBuilder::make(list, skipEmpty, QStringLiteral("M"), m_data, at, acks);
    QCOMPARE(plan.send, send);
    // The mark the row carried from its analysis counts for nothing: the
    // moment of the report decides.
    QCOMPARE(plan.body, ReportBuilder::body(QStringLiteral("M"), ReportBuilder::Ending::Attached, leftOut));
    QVERIFY(plan.body.endsWith(QStringLiteral("\rAcknowledged findings left out: %1").arg(leftOut)));
    const QByteArray bytes = readFile(plan.attachment);
    QCOMPARE(bytes.count(" finding\t\r\n"), reported.size());
    for (const QString &host : reported)
        QVERIFY(bytes.contains(QStringLiteral("198.18.7.%1 finding").arg(host).toUtf8()));
    QVERIFY(!bytes.contains("00-0A-E4")); // the addresses behind the rows are no columns
}

void TestMailReport::allAcknowledged_data()
{
    QTest::addColumn<bool>("skipEmpty");
    QTest::newRow("ISresult on: nothing sent") << true;
    QTest::newRow("ISresult off: no results, and why") << false;
}

void TestMailReport::allAcknowledged()
{
    QFETCH(bool, skipEmpty);
    AnalysisListModel list;
    AcknowledgedSet acks;
    for (int host = 2; host <= 3; ++host) {
        const QString ip = QStringLiteral("198.18.7.%1").arg(host);
        const QString mac = QStringLiteral("00-0A-E4-00-00-0%1").arg(host);
        list.appendEntry({QStringLiteral("07/12/2026; 17:20"), ip + QStringLiteral(" finding"), ip, mac});
        acks.insert(ip, mac);
    }

    const ReportBuilder::Plan plan =
        ReportBuilder::make(list, skipEmpty, QStringLiteral("M"), m_data, ReportTime, acks);
    QCOMPARE(plan.send, !skipEmpty);
    QCOMPARE(plan.body, skipEmpty
                            ? QString()
                            : ReportBuilder::body(QStringLiteral("M"), ReportBuilder::Ending::NoResults, 2));
    QVERIFY(plan.attachment.isEmpty());
    QCOMPARE(QDir(m_data).entryList(QDir::Files).size(), 0);
    // Nothing left out: the body of old, byte for byte.
    QCOMPARE(ReportBuilder::body(QStringLiteral("M"), ReportBuilder::Ending::NoResults, 0),
             ReportBuilder::body(QStringLiteral("M"), ReportBuilder::Ending::NoResults));
}

void TestMailReport::oncePerScheduledMinute_data()
{
    QTest::addColumn<QStringList>("ticks"); // "yyyy-MM-dd HH:mm:ss.zzz", in order
    QTest::addColumn<int>("reports");
    const auto day = [](const char *times) {
        QStringList ticks;
        for (const QString &t : QString::fromLatin1(times).split(QLatin1Char(' ')))
            ticks.append(QStringLiteral("2026-12-07 ") + t);
        return ticks;
    };
    QTest::newRow("before and after") << day("09:04:59.500 09:06:00.000") << 0;
    QTest::newRow("two ticks in the second") << day("09:05:00.000 09:05:00.500") << 1;
    QTest::newRow("the whole minute") << day("09:05:00.000 09:05:30.000 09:05:59.500") << 1;
    QTest::newRow("late tick in the minute") << day("09:04:59.900 09:05:41.000") << 1;
    QTest::newRow("clock set back into it") << day("09:05:00.000 09:06:00.000 09:05:10.000") << 1;
    QTest::newRow("next day again") << QStringList{"2026-12-07 09:05:00.000", "2026-12-08 09:05:00.000"} << 2;
}

void TestMailReport::oncePerScheduledMinute()
{
    QFETCH(QStringList, ticks);
    QFETCH(int, reports);
    ReportSchedule schedule;
    QDateTime now;
    schedule.setClock([&] { return now; });
    schedule.setTime(9, 5);
    QSignalSpy due(&schedule, &ReportSchedule::reportDue);
    for (const QString &tick : std::as_const(ticks)) {
        now = QDateTime::fromString(tick, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        QVERIFY(now.isValid());
        schedule.TimerEmail_Timer();
    }
    QCOMPARE(due.size(), reports);
}

void TestMailReport::scheduledText_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("text");
    QTest::newRow("9:5") << 9 << 5 << QStringLiteral("9:5");
    QTest::newRow("17:30") << 17 << 30 << QStringLiteral("17:30");
    QTest::newRow("0:0") << 0 << 0 << QStringLiteral("0:0");
}

void TestMailReport::scheduledText()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, text);
    ReportSettings settings;
    settings.hour = hour;
    settings.minute = minute;
    QCOMPARE(settings.scheduledText(), text);

    // The window's timer runs every 500 ms only while the report is on.
    AnalysisListModel list;
    DailyReport report(list, m_data);
    QVERIFY(!report.schedule().isEnabled());
    settings.isSend = true;
    report.setSettings(settings);
    QVERIFY(report.schedule().isEnabled());
    QCOMPARE(report.schedule().TimerEmail().interval(), 500);
    QCOMPARE(report.schedule().hour(), hour);
    QCOMPARE(report.schedule().minute(), minute);
}

void TestMailReport::settingsDefaults()
{
    const ReportSettings s = ReportSettings::load();
    QVERIFY(s.useAuthentication);
    QVERIFY(!s.isSend);
    QVERIFY(s.isResult);
    QCOMPARE(s.hour, 17);
    QCOMPARE(s.minute, 30);
    QCOMPARE(s.scheduledText(), QStringLiteral("17:30"));
    for (const QString &text : {s.smtpHost, s.user, s.password, s.sender, s.recipient, s.subject, s.message})
        QVERIFY(text.isEmpty());
    QCOMPARE(s.encryption, MailEncryption::StartTls);
}

void TestMailReport::settingsNamesIgnoreCase()
{
    const SettingsSection store(QStringLiteral("Netkestrel"), QStringLiteral("SETTINGS"));
    store.setValue(QStringLiteral("smtphost"), QStringLiteral("mail.example.net"));
    store.setValue(QStringLiteral("HOUR"), QStringLiteral("9"));
    store.setValue(QStringLiteral("minute"), QStringLiteral("5"));
    store.setValue(QStringLiteral("isSEND"), QStringLiteral("1"));
    store.setValue(QStringLiteral("ISRESULT"), QStringLiteral("0"));
    store.setValue(QStringLiteral("auth"), QStringLiteral("0"));
    store.setValue(QStringLiteral("encryption"), QStringLiteral("NONE")); // kept, though not the default
    ReportSettings s = ReportSettings::load();
    QCOMPARE(s.smtpHost, QStringLiteral("mail.example.net"));
    QCOMPARE(s.scheduledText(), QStringLiteral("9:5"));
    QVERIFY(s.isSend);
    QVERIFY(!s.isResult);
    QVERIFY(!s.useAuthentication);
    QCOMPARE(s.encryption, MailEncryption::None);

    // Saved and read again: every value comes back, under one spelling each.
    s.smtpPort = 587;
    s.recipient = QStringLiteral("a@example.net;b@example.net");
    s.message = QStringLiteral("Line one\r\nLine two");
    s.caFile = QStringLiteral("/tmp/ca.pem");
    QVERIFY(s.save());
    const ReportSettings back = ReportSettings::load();
    QCOMPARE(back.smtpPort, 587);
    QCOMPARE(back.recipient, s.recipient);
    QCOMPARE(back.message, s.message);
    QCOMPARE(back.caFile, s.caFile);
    QCOMPARE(back.encryption, MailEncryption::None);
    QCOMPARE(back.scheduledText(), QStringLiteral("9:5"));
    const QByteArray conf = readFile(store.filePath());
    QCOMPARE(conf.count("SMTPHost="), 1);
    QVERIFY(!conf.contains("smtphost="));

    // Out of range: the default.
    store.setValue(QStringLiteral("Hour"), QStringLiteral("24"));
    store.setValue(QStringLiteral("Minute"), QStringLiteral("x"));
    QCOMPARE(ReportSettings::load().scheduledText(), QStringLiteral("17:30"));
}

void TestMailReport::passwordKeptOutOfTheStore()
{
    const SettingsSection store(QStringLiteral("Netkestrel"), QStringLiteral("SETTINGS"));
    // An older store held it in the clear: it moves to the owner-only file.
    store.setValue(QStringLiteral("Pass"), QStringLiteral("old s3cret"));
    ReportSettings s = ReportSettings::load();
    QCOMPARE(s.password, QStringLiteral("old s3cret"));
    QVERIFY(!store.contains(QStringLiteral("PASS")));
    QVERIFY(!readFile(store.filePath()).contains("s3cret"));

    s.password = QStringLiteral("new s3cret");
    QVERIFY(s.save());
    QVERIFY(!readFile(store.filePath()).contains("s3cret"));
    const QFileInfo file(ReportSettings::passwordFilePath());
    QCOMPARE(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(ReportSettings::load().password, QStringLiteral("new s3cret"));

    s.password.clear();
    QVERIFY(s.save());
    QVERIFY(!QFile::exists(ReportSettings::passwordFilePath()));
}

void TestMailReport::failedSendIsLoggedAndReported()
{
    // A port on loopback that nobody listens on.
    quint16 closedPort = 0;
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        closedPort = server.serverPort();
    }
    ReportSettings settings;
    settings.smtpHost = QStringLiteral("127.0.0.1");
    settings.smtpPort = closedPort;
    settings.useAuthentication = false;
    settings.sender = QStringLiteral("kestrel@example.com");
    settings.recipient = QStringLiteral("admin@example.net");
    settings.hour = 17;
    settings.minute = 30;
    settings.isSend = true;
    settings.isResult = false;

    AnalysisListModel list;
    addFindings(list, 1);
    DailyReport report(list, m_data);
    report.setSettings(settings);
    QDateTime now = ReportTime;
    report.schedule().setClock([&] { return now; });
    QSignalSpy finished(&report, &DailyReport::reportFinished);
    report.schedule().TimerEmail_Timer();
    QVERIFY(report.isSending());
    report.schedule().TimerEmail_Timer(); // the same second: no second report
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    const QString outcome = finished.at(0).at(1).toString();
    QVERIFY2(outcome.startsWith(QStringLiteral("Email report not sent: ")), qPrintable(outcome));
    QVERIFY(!outcome.contains(QLatin1Char('\r')));

    // The report file stays; the log holds the outcome.
    QVERIFY(QFile::exists(m_data + QStringLiteral("/2026-12-07_17-30-00_Results.TXT")));
    QCOMPARE(QString::fromUtf8(readFile(ReportLog::path(m_data))),
             QStringLiteral("2026-12-07 17:30:00\t") + outcome + QLatin1Char('\n'));

    // Nothing to send is an outcome too.
    list.clear();
    settings.isResult = true;
    report.setSettings(settings);
    report.makeReport(ReportTime.addDays(1));
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(1).at(1).toString(), QLatin1String(ReportRun::NothingToSend));
}

QTEST_GUILESS_MAIN(TestMailReport)
#include "TestMailReport.moc"
