#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTest>

#include "analysis/FindingText.h"
#include "export/ScanResultFile.h"
#include "history/HistoryRecorder.h"
#include "lists/ScanRow.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/StoreEngines.h"

#include <QFile>

namespace {

const QDateTime T1(QDate(2026, 5, 1), QTime(6, 30), Qt::UTC);
const QDateTime T2(QDate(2026, 5, 2), QTime(6, 30), Qt::UTC);

ScanRow row(const QString &ip, const QString &mac, const QString &host = {})
{
    ScanRow r;
    r.number = QStringLiteral("1");
    r.ipAddress = ip;
    r.macAddress = mac;
    r.hostName = host;
    r.workgroup = host.isEmpty() ? QString() : QStringLiteral("LABWG");
    return r;
}

// Every line of the output parsed by a JSON parser; a line that is no object fails the test.
QList<QJsonObject> jsonLines(const QString &out)
{
    QList<QJsonObject> objects;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            QTest::qFail(qPrintable(QStringLiteral("not a JSON object: ") + line), __FILE__, __LINE__);
            return {};
        }
        objects.append(document.object());
    }
    return objects;
}

} // namespace

class TestHistoryCli : public QObject
{
    Q_OBJECT

private:
    StoreEngines m_engines;
    std::unique_ptr<RecordFixture> m_f;

    CliProcess::Run cli(const QStringList &arguments)
    {
        return CliProcess::run(arguments + m_f->storeArguments());
    }

private Q_SLOTS:
    // Every command on either engine: the history written to a server is
    // read from that server, never from the data folder's file.
    void initTestCase_data() { StoreEngines::addRows(); }

    void init()
    {
        if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        const Result<PostgresServer *> server = m_engines.server();
        QVERIFY2(server, qPrintable(server.error()));
        m_f = std::make_unique<RecordFixture>(*server);
        QVERIFY(m_f->isValid());
        // .10 keeps its MAC; .20 flips to a randomised MAC the next day.
        QVERIFY(HistoryRecorder(m_f->store(), [] { return T1; })
                    .record({row("198.18.104.10", "00-0A-E4-00-00-0A", "ALPHA"),
                             row("198.18.104.20", "00-0A-E4-00-00-14")})
                    .ok());
        QVERIFY(HistoryRecorder(m_f->store(), [] { return T2; })
                    .record({row("198.18.104.10", "00-0A-E4-00-00-0A"),
                             row("198.18.104.20", "06-0A-E4-00-00-14")})
                    .ok());
    }

    void cleanup()
    {
        // A command given --database never makes a file in the data folder.
        if (m_f && m_f->onServer())
            QVERIFY(!QFile::exists(m_f->databasePath()));
    }

    void historyAsJson()
    {
        const CliProcess::Run run =
            cli({QStringLiteral("history"), QStringLiteral("--format"), QStringLiteral("json")});
        QCOMPARE(run.status, 0);
        const QList<QJsonObject> lines = jsonLines(run.out);
        QCOMPARE(lines.size(), 3);
        const QJsonObject alpha = lines.at(0);
        QCOMPARE(alpha.value("kind").toString(), QStringLiteral("history"));
        QCOMPARE(alpha.value("ip").toString(), QStringLiteral("198.18.104.10"));
        QCOMPARE(alpha.value("mac").toString(), QStringLiteral("00-0A-E4-00-00-0A"));
        QCOMPARE(alpha.value("firstSeen").toString(), QStringLiteral("2026-05-01T06:30:00Z"));
        QCOMPARE(alpha.value("lastSeen").toString(), QStringLiteral("2026-05-02T06:30:00Z"));
        QCOMPARE(alpha.value("scans").toInt(), 2);
        QCOMPARE(alpha.value("hostName").toString(), QStringLiteral("ALPHA"));
        QCOMPARE(alpha.value("workgroup").toString(), QStringLiteral("LABWG"));
        QCOMPARE(alpha.value("randomised").toBool(), false);
        QCOMPARE(lines.at(2).value("randomised").toBool(), true);
        QCOMPARE(alpha.value("site").toString(), QSysInfo::machineHostName());
    }

    // Addresses in the order of their numbers, as the lists sort them.
    void historyInAddressOrder()
    {
        QVERIFY(HistoryRecorder(m_f->store(), [] { return T2; })
                    .record({row("198.18.104.100", "00-0A-E4-00-00-64"),
                             row("198.18.104.9", "00-0A-E4-00-00-09")})
                    .ok());
        QStringList ips;
        for (const QJsonObject &line : jsonLines(cli({"history", "--format", "json"}).out))
            ips.append(line.value("ip").toString());
        QCOMPARE(ips, QStringList({"198.18.104.9", "198.18.104.10", "198.18.104.20", "198.18.104.20",
                                   "198.18.104.100"}));
    }

    // A second site in the same store: the listings show both, the site as
    // the first column of the text, or one with --site.
    void twoSites_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("sites"); // of the lines, in order; "Site" for a header
        const QString here = QSysInfo::machineHostName();
        QTest::newRow("history") << QStringList{"history"} << QStringList{"Site", here, "branch", here, here};
        QTest::newRow("history of one site") << QStringList{"history", "--site", "branch"} << QStringList{};
        QTest::newRow("changes") << QStringList{"changes", "--since", "2026-05-03"} << QStringList{"branch"};
        QTest::newRow("changes of every time")
            << QStringList{"changes"} << QStringList{here, here, here, here, here, "branch"};
    }

    void twoSites()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, sites);
        HistoryRecorder branch(m_f->store(), [] { return T2.addDays(1); });
        branch.setSite(QStringLiteral("branch"));
        QVERIFY(branch.record({row("198.18.104.10", "00-0A-E4-00-00-99")}).ok());

        const CliProcess::Run run = cli(arguments);
        QCOMPARE(run.status, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (sites.isEmpty()) {
            // One site only: no site column, and the lines of no other site.
            QCOMPARE(lines.size(), 2);
            QVERIFY(lines.at(0).startsWith(QLatin1String("IP Address\t")));
            QVERIFY(lines.at(1).startsWith(QLatin1String("198.18.104.10\t00-0A-E4-00-00-99\t")));
            return;
        }
        QStringList got;
        for (const QString &line : lines)
            got.append(line.section(QLatin1Char('\t'), 0, 0));
        if (arguments.size() > 1) // one site listed: no column of its own
            QCOMPARE(lines.at(0).section(QLatin1Char('\t'), 1, 1), QStringLiteral("new-station"));
        else
            QCOMPARE(got, sites);

        const CliProcess::Run json =
            cli(arguments + QStringList{QStringLiteral("--format"), QStringLiteral("json")});
        QStringList jsonSites;
        for (const QJsonObject &object : jsonLines(json.out))
            jsonSites.append(object.value("site").toString());
        QCOMPARE(jsonSites, sites.mid(sites.value(0) == QLatin1String("Site") ? 1 : 0));
    }

    void historyFilters_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("pairs");
        QTest::newRow("ip") << QStringList{"--ip", "198.18.104.20"} << 2;
        QTest::newRow("mac in colon form") << QStringList{"--mac", "06:0a:e4:00:00:14"} << 1;
        QTest::newRow("since a date") << QStringList{"--since", "2026-05-02"} << 2;
        QTest::newRow("since a time") << QStringList{"--since", "2026-05-02T06:30:01Z"} << 0;
    }

    void historyFilters()
    {
        QFETCH(QStringList, options);
        QFETCH(int, pairs);
        const CliProcess::Run run = cli(QStringList{QStringLiteral("history")} + options);
        QCOMPARE(run.status, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // A header line above the pairs, none when there are none.
        QCOMPARE(lines.size(), pairs == 0 ? 0 : pairs + 1);
        for (const QString &line : lines.mid(1)) {
            if (line.contains(QLatin1String("06-0A-E4-00-00-14")))
                QVERIFY(line.contains(QLatin1String("06-0A-E4-00-00-14 (randomised)")));
        }
    }

    void changesAsJson()
    {
        const CliProcess::Run run =
            cli({QStringLiteral("changes"), QStringLiteral("--format"), QStringLiteral("json")});
        QCOMPARE(run.status, 0);
        const QList<QJsonObject> lines = jsonLines(run.out);
        QStringList kinds;
        for (const QJsonObject &line : lines)
            kinds.append(line.value("kind").toString() + QLatin1Char(' ') + line.value("time").toString() +
                         QLatin1Char(' ') + line.value("ip").toString());
        QCOMPARE(kinds, QStringList({"new-station 2026-05-01T06:30:00Z 198.18.104.10",
                                     "new-station 2026-05-01T06:30:00Z 198.18.104.20",
                                     "mac-changed 2026-05-02T06:30:00Z 198.18.104.20",
                                     "new-station 2026-05-02T06:30:00Z 198.18.104.20",
                                     "randomised-mac 2026-05-02T06:30:00Z 198.18.104.20"}));
        const QJsonObject changed = lines.at(2);
        QCOMPARE(changed.value("mac").toString(), QStringLiteral("06-0A-E4-00-00-14"));
        QCOMPARE(changed.value("randomised").toBool(), true);
        QCOMPARE(changed.value("previousMac").toString(), QStringLiteral("00-0A-E4-00-00-14"));
        QCOMPARE(changed.value("previousLastSeen").toString(), QStringLiteral("2026-05-01T06:30:00Z"));
        QVERIFY(changed.value("text").toString().contains(QLatin1String("(randomised)")));

        const CliProcess::Run since =
            cli({QStringLiteral("changes"), QStringLiteral("--since"), QStringLiteral("2026-05-02")});
        QCOMPARE(since.status, 0);
        QCOMPARE(since.out.count(QLatin1Char('\n')), 3);
        QVERIFY(since.out.startsWith(QLatin1String("2026-05-02T06:30:00Z\tmac-changed\t")));
    }

    // Findings as JSON lines: the rule's word, the scan row's IP and MAC, not
    // acknowledged, and the sentence of the analysis list. A scan result file
    // is no new scan: the history stays as it was.
    void findingsAsJson()
    {
        m_f->add(QStringLiteral("198.18.104.10"), QStringLiteral("00-0A-E4-00-00-0A"));
        const QString file = m_f->filePath(QStringLiteral("scan.kst"));
        QVERIFY(
            ScanResultFile::save(
                file, {row("198.18.104.10", "00-0A-E4-00-00-0A"), row("198.18.104.10", "00-0A-E4-00-00-99"),
                       row("198.18.104.77", "00-0A-E4-00-00-0A"), row("198.18.104.30", "06-0A-E4-00-00-1E")})
                .ok());
        const CliProcess::Run run = cli({QStringLiteral("analyze"), QStringLiteral("--scan-file"), file,
                                         QStringLiteral("--format"), QStringLiteral("json")});
        QCOMPARE(run.status, 3);
        const QList<QJsonObject> lines = jsonLines(run.out);
        QStringList got;
        for (const QJsonObject &line : lines) {
            got.append(line.value("kind").toString() + QLatin1Char(' ') + line.value("ip").toString() +
                       QLatin1Char(' ') + line.value("mac").toString());
            QCOMPARE(line.value("acknowledged"), QJsonValue(false));
            QVERIFY(QDateTime::fromString(line.value("time").toString(), Qt::ISODate).isValid());
            const std::optional<FindingText::Fields> fields =
                FindingText::parse(line.value("text").toString());
            QVERIFY(fields.has_value());
            QCOMPARE(fields->kind, line.value("kind").toString());
        }
        QCOMPARE(got, QStringList({"ip-other-mac 198.18.104.10 00-0A-E4-00-00-99",
                                   "mac-not-recorded 198.18.104.10 00-0A-E4-00-00-99",
                                   "ip-not-preset 198.18.104.77 00-0A-E4-00-00-0A",
                                   "mac-other-ip 198.18.104.77 00-0A-E4-00-00-0A",
                                   "ip-not-preset 198.18.104.30 06-0A-E4-00-00-1E",
                                   "mac-not-recorded 198.18.104.30 06-0A-E4-00-00-1E"}));
        // What the record holds, and the randomised mark, in fields of their own.
        QCOMPARE(lines.at(0).value("recorded_mac"), QJsonValue("00-0A-E4-00-00-0A"));
        QCOMPARE(lines.at(3).value("recorded_ip"), QJsonValue("198.18.104.10"));
        QCOMPARE(lines.at(3).value("randomised"), QJsonValue(false));
        QCOMPARE(lines.at(5).value("randomised"), QJsonValue(true));
        const CliProcess::Run history = cli({QStringLiteral("history")});
        QCOMPARE(history.out.count(QLatin1Char('\n')), 4);
        for (const QJsonObject &line : lines)
            QCOMPARE(line.value("site").toString(), QSysInfo::machineHostName());
        const CliProcess::Run sited =
            cli({QStringLiteral("analyze"), QStringLiteral("--scan-file"), file, QStringLiteral("--format"),
                 QStringLiteral("json"), QStringLiteral("--site"), QStringLiteral("branch")});
        QCOMPARE(jsonLines(sited.out).value(0).value("site").toString(), QStringLiteral("branch"));
    }

    // Acknowledgements that cannot be read: every finding is printed, none
    // marked, the failure is said, and the status is that of a failure, not
    // of findings.
    void unreadableAcknowledgements()
    {
        m_f->add(QStringLiteral("198.18.104.10"), QStringLiteral("00-0A-E4-00-00-0A"));
        const QString file = m_f->filePath(QStringLiteral("scan.kst"));
        QVERIFY(ScanResultFile::save(file, {row("198.18.104.10", "00-0A-E4-00-00-99")}).ok());
        QVERIFY(m_f->exec(QStringLiteral("DROP TABLE T_Acknowledgement")));
        const CliProcess::Run run = cli({QStringLiteral("analyze"), QStringLiteral("--scan-file"), file});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out.count(QLatin1String("198.18.104.10")), 2);
        QVERIFY(!run.out.contains(QLatin1String("(acknowledged)")));
        QVERIFY2(run.err.contains(QLatin1String("The acknowledgements cannot be read.")),
                 qPrintable(run.err));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("history format") << QStringList{"history", "--format", "xml"};
        QTest::newRow("history since") << QStringList{"history", "--since", "yesterday"};
        QTest::newRow("changes format") << QStringList{"changes", "--format", "kst"};
        QTest::newRow("changes since") << QStringList{"changes", "--since", "2026-13-01"};
        QTest::newRow("analyze format") << QStringList{"analyze", "--format", "csv", "--scan-file", "x.kst"};
        QTest::newRow("blank site") << QStringList{"history", "--site", " "};
        QTest::newRow("scan with a blank site")
            << QStringList{"scan", "--range", "198.18.104.0/30", "--site", ""};
        QTest::newRow("history password file alone") << QStringList{"history", "--password-file", "pw"};
        QTest::newRow("changes URL of another scheme")
            << QStringList{"changes", "--database", "mysql://a@b/c"};
        QTest::newRow("scan URL with a password") << QStringList{
            "scan", "--from", "127.0.0.1", "--to", "127.0.0.1", "--database", "postgresql://a:pw@/c"};
    }

    // A completed scan's history goes to the store of --database. A scan of
    // the loopback address completes without finding a host, so what shows
    // is the store it opens: on an unreachable server the scan's own output
    // stands and the failure names that server.
    void scanWritesItsHistoryToTheStore()
    {
        const QStringList scan{QStringLiteral("scan"),      QStringLiteral("--method"),
                               QStringLiteral("udp"),       QStringLiteral("--from"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("--to"),
                               QStringLiteral("127.0.0.1")};
        const CliProcess::Run run = cli(scan);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(QLatin1String("Scan Complete!")), qPrintable(run.out));
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));

        const QString unreachable = QStringLiteral("postgresql://nobody@/none?host=%1")
                                        .arg(m_f->filePath(QStringLiteral("no-server")));
        const CliProcess::Run away =
            CliProcess::run(scan + QStringList{QStringLiteral("--data-dir"), m_f->folder(),
                                               QStringLiteral("--database"), unreachable});
        QCOMPARE(away.status, 0);
        QVERIFY2(away.out.contains(QLatin1String("Scan Complete!")), qPrintable(away.out));
        QVERIFY2(
            away.err.contains(QStringLiteral("The record database cannot be opened. (%1)").arg(unreachable)),
            qPrintable(away.err));
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const CliProcess::Run run =
            CliProcess::run(arguments + QStringList{QStringLiteral("--data-dir"), m_f->folder()});
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHistoryCli)
#include "TestHistoryCli.moc"
