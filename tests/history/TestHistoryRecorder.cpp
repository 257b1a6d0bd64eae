#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>
#include <thread>

#include "export/ScanResultFile.h"
#include "export/ScanResultReader.h"
#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "history/ScanHistory.h"
#include "lists/ScanRow.h"
#include "records/RecordStore.h"
#include "records/RecordStoreSession.h"
#include "tests/support/StoreEngines.h"

namespace {

const QDateTime Now = QDateTime(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);

ScanRow row(const QString &ip, const QString &mac, const QString &host = {})
{
    ScanRow r;
    r.number = QStringLiteral("1");
    r.ipAddress = ip;
    r.macAddress = mac;
    r.hostName = host;
    return r;
}

// "IP MAC[+further MAC...]" texts as scan rows.
QList<ScanRow> rowsOf(const QStringList &pairs)
{
    QList<ScanRow> rows;
    for (const QString &pair : pairs) {
        const QStringList parts = pair.split(QLatin1Char(' '));
        const QStringList macs = parts.value(1).split(QLatin1Char('+'));
        rows.append(row(parts.value(0), macs.constFirst()));
        rows.last().otherMacs = macs.mid(1);
    }
    return rows;
}

// "kind IP MAC [other MAC] [MACs]": what a test compares.
QStringList summaries(const QList<ChangeEvent> &events)
{
    QStringList lines;
    for (const ChangeEvent &e : events) {
        QString line = ChangeEvent::kindWord(e.kind) + QLatin1Char(' ') + e.ipAddress + QLatin1Char(' ') +
                       e.macAddress;
        if (!e.otherMac.isEmpty())
            line += QLatin1Char(' ') + e.otherMac;
        if (!e.macs.isEmpty())
            line += QLatin1Char(' ') + e.macs.join(QLatin1Char(','));
        lines.append(line);
    }
    return lines;
}

// A large scan: a /18's 16,384 stations on one site.
QList<ScanRow> largeScan()
{
    QList<ScanRow> rows;
    for (int n = 0; n < 16384; ++n)
        rows.append(row(QString::asprintf("198.18.%d.%d", n >> 8, n & 255),
                        QString::asprintf("02-00-00-00-%02X-%02X", n >> 8, n & 255)));
    return rows;
}

// A kept file made unreadable in one way; "sparse" stands for a file past the
// byte bound.
QByteArray damaged(const QByteArray &kept, const QString &damage)
{
    if (damage == QLatin1String("not JSON"))
        return kept.left(kept.size() / 2);
    const QString text(damage == QLatin1String("a text past the bound") ? 1025 : 0, QLatin1Char('H'));
    const QJsonArray row{QStringLiteral("198.18.104.11"), QStringLiteral("00-0A-E4-00-00-0B"), text, "", ""};
    QJsonArray rows{row};
    while (damage == QLatin1String("more rows than a scan") && rows.size() <= KeptScan::MaxRows)
        rows.append(row);
    QJsonObject object = QJsonDocument::fromJson(kept).object();
    object.insert(QLatin1String("rows"), rows);
    return QJsonDocument(object).toJson();
}

} // namespace

class TestHistoryRecorder : public QObject
{
    Q_OBJECT

private:
    Result<QList<ChangeEvent>> scanAt(const QDateTime &when, const QList<ScanRow> &rows,
                                      const QHash<QString, QString> &neighbourMacs = {})
    {
        return HistoryRecorder(*m_store, [when] { return when; }).record(rows, neighbourMacs);
    }

    StoreEngines m_engines;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordStore> m_store;

private Q_SLOTS:
    // Every test on the SQLite file and on a PostgreSQL server.
    void initTestCase_data() { StoreEngines::addRows(); }

    void init()
    {
        if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const Result<PostgresServer *> server = m_engines.server();
        QVERIFY2(server.ok(), qPrintable(server.error()));
        std::optional<DatabaseUrl> url;
        if (*server) {
            const Result<QString> database = (*server)->createDatabase();
            QVERIFY2(database.ok(), qPrintable(database.error()));
            url = (*server)->databaseUrl(*database);
        }
        m_store = std::make_unique<RecordStore>(m_dir->path(), url);
    }

    // Three scans saved as scan result files and read back, as an
    // administrator would feed in the files of past days.
    void historyOverResultFiles()
    {
        const QDateTime t1(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
        const QDateTime t2(QDate(2026, 1, 2), QTime(8, 0), Qt::UTC);
        const QDateTime t3(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        ScanRow silent;
        silent.ipAddress = QStringLiteral("198.18.104.30");
        silent.macAddress = QLatin1String(ScanRow::NonRespondedMarker);
        const QList<QPair<QDateTime, QList<ScanRow>>> scans = {
            {t1,
             {row("198.18.104.10", "00-0A-E4-00-00-0A", "ALPHA"), row("198.18.104.20", "00-0A-E4-00-00-14")}},
            {t2,
             {row("198.18.104.10", "00-0A-E4-00-00-0A"), row("198.18.104.20", "00-0A-E4-00-00-99"), silent}},
            {t3, {row("198.18.104.10", "00-0A-E4-00-00-0A"), row("198.18.104.20", "00-0A-E4-00-00-14")}},
        };
        QList<ChangeEvent> all;
        QList<QStringList> perScan;
        for (int i = 0; i < scans.size(); ++i) {
            const QString file = m_dir->filePath(QStringLiteral("scan%1.kst").arg(i));
            QVERIFY(ScanResultFile::save(file, scans.at(i).second).ok());
            const ScanResultReader::ReadOutcome read = ScanResultReader::readFile(file);
            QVERIFY(read.ok());
            const Result<QList<ChangeEvent>> events = scanAt(scans.at(i).first, read.rows);
            QVERIFY2(events.ok(), qPrintable(events.error()));
            all += *events;
            perScan.append(summaries(*events));
        }

        QCOMPARE(perScan.at(0), QStringList({"new-station 198.18.104.10 00-0A-E4-00-00-0A",
                                             "new-station 198.18.104.20 00-0A-E4-00-00-14"}));
        QCOMPARE(perScan.at(1),
                 QStringList({"new-station 198.18.104.20 00-0A-E4-00-00-99",
                              "mac-changed 198.18.104.20 00-0A-E4-00-00-99 00-0A-E4-00-00-14"}));
        // 58 days later both pairs come back, and .20 flips back to its first MAC.
        QCOMPARE(perScan.at(2),
                 QStringList({"returned 198.18.104.10 00-0A-E4-00-00-0A",
                              "returned 198.18.104.20 00-0A-E4-00-00-14",
                              "mac-changed 198.18.104.20 00-0A-E4-00-00-14 00-0A-E4-00-00-99"}));
        const auto changedBack = std::find_if(all.cbegin(), all.cend(), [&](const ChangeEvent &e) {
            return e.kind == ChangeEvent::Kind::MacChanged && e.time == t3;
        });
        QVERIFY(changedBack != all.cend());
        QCOMPARE(changedBack->otherTime, t2);
        const auto returned = std::find_if(all.cbegin(), all.cend(), [&](const ChangeEvent &e) {
            return e.kind == ChangeEvent::Kind::Returned && e.ipAddress == QLatin1String("198.18.104.20");
        });
        QCOMPARE(returned->otherTime, t1);

        const HistoryReader reader(*m_store);
        const Result<QList<HistoryEntry>> entries = reader.entries({});
        QVERIFY(entries.ok());
        QCOMPARE(entries->size(), 3); // the silent address is no history
        const HistoryEntry &alpha = entries->at(0);
        QCOMPARE(alpha.ipAddress, QStringLiteral("198.18.104.10"));
        QCOMPARE(alpha.firstSeen, t1);
        QCOMPARE(alpha.lastSeen, t3);
        QCOMPARE(alpha.scanCount, 3);
        QCOMPARE(alpha.hostName, QStringLiteral("ALPHA")); // scans without a name keep it
        QCOMPARE(entries->at(1).macAddress, QStringLiteral("00-0A-E4-00-00-14"));
        QCOMPARE(entries->at(1).scanCount, 2);
        QCOMPARE(entries->at(1).lastSeen, t3);
        QCOMPARE(entries->at(2).macAddress, QStringLiteral("00-0A-E4-00-00-99"));
        QCOMPARE(entries->at(2).firstSeen, t2);
        QCOMPARE(entries->at(2).lastSeen, t2);
        QCOMPARE(entries->at(2).scanCount, 1);

        // The stored events are those the scans returned, oldest first.
        const Result<QList<ChangeEvent>> stored = reader.changes();
        QVERIFY(stored.ok());
        QStringList expected = perScan.at(0) + perScan.at(1) + perScan.at(2);
        QStringList got = summaries(*stored);
        QCOMPARE(got.size(), expected.size());
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        QCOMPARE(got, expected);
        const Result<QList<ChangeEvent>> since = reader.changes(t3);
        QCOMPARE(since->size(), perScan.at(2).size());
    }

    void events_data()
    {
        QTest::addColumn<QStringList>("before"); // "DAYS-AGO IP MAC", one scan per distinct age
        QTest::addColumn<QStringList>("scan");
        QTest::addColumn<QString>("neighbour"); // "IP MAC" of the neighbour table, or empty
        QTest::addColumn<QStringList>("expected");

        const QString a = QStringLiteral("198.18.104.10");
        QTest::newRow("new station") << QStringList{} << QStringList{a + " 00-0A-E4-00-00-0A"} << QString()
                                     << QStringList{"new-station " + a + " 00-0A-E4-00-00-0A"};
        QTest::newRow("new randomised station")
            << QStringList{} << QStringList{a + " 06-0A-E4-00-00-0A"} << QString()
            << QStringList{"new-station " + a + " 06-0A-E4-00-00-0A",
                           "randomised-mac " + a + " 06-0A-E4-00-00-0A"};
        QTest::newRow("colon form is the same station")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00:0a:e4:00:00:0a"}
            << QString() << QStringList{};
        QTest::newRow("seen yesterday")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0A"}
            << QString() << QStringList{};
        QTest::newRow("known MAC at a new IP")
            << QStringList{"1 198.18.104.11 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0A"}
            << QString() << QStringList{};
        QTest::newRow("IP answered by a new MAC")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0B"}
            << QString()
            << QStringList{"new-station " + a + " 00-0A-E4-00-00-0B",
                           "mac-changed " + a + " 00-0A-E4-00-00-0B 00-0A-E4-00-00-0A"};
        QTest::newRow("IP back to an older MAC: the last sighting counts")
            << QStringList{"10 " + a + " 00-0A-E4-00-00-0A", "1 " + a + " 00-0A-E4-00-00-0B"}
            << QStringList{a + " 00-0A-E4-00-00-0A"} << QString()
            << QStringList{"mac-changed " + a + " 00-0A-E4-00-00-0A 00-0A-E4-00-00-0B"};
        QTest::newRow("absent longer than the set days")
            << QStringList{"31 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0A"}
            << QString() << QStringList{"returned " + a + " 00-0A-E4-00-00-0A"};
        QTest::newRow("absent less than the set days")
            << QStringList{"29 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0A"}
            << QString() << QStringList{};
        QTest::newRow("unit id other than the neighbour table's MAC")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0A"}
            << QString(a + " 00-0A-E4-00-00-99")
            << QStringList{"nbstat-mac-mismatch " + a + " 00-0A-E4-00-00-0A 00-0A-E4-00-00-99"};
        QTest::newRow("neighbour table agrees in another form")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"} << QStringList{a + " 00-0A-E4-00-00-0A"}
            << QString(a + " 00:0a:e4:00:00:0a") << QStringList{};
        QTest::newRow("a group unit id is no station")
            << QStringList{"1 " + a + " 01-00-5E-00-00-0A"} << QStringList{a + " 01-00-5E-00-00-0A"}
            << QString(a + " 00-0A-E4-00-00-99") << QStringList{};
        QTest::newRow("one new MAC on two IPs is one new station")
            << QStringList{} << QStringList{a + " 00-0A-E4-00-00-0A", "198.18.104.11 00-0A-E4-00-00-0A"}
            << QString() << QStringList{"new-station " + a + " 00-0A-E4-00-00-0A"};
        QTest::newRow("a pair listed twice counts once")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"}
            << QStringList{a + " 00-0A-E4-00-00-0A", a + " 00-0A-E4-00-00-0A"} << QString() << QStringList{};
        const QString three = a + " 00-0A-E4-00-00-0A+00-0A-E4-00-00-0B+00-0A-E4-00-00-0C";
        QTest::newRow("a conflict of three MACs")
            << QStringList{} << QStringList{three} << QString()
            << QStringList{"new-station " + a + " 00-0A-E4-00-00-0A",
                           "new-station " + a + " 00-0A-E4-00-00-0B",
                           "new-station " + a + " 00-0A-E4-00-00-0C",
                           "ip-conflict " + a +
                               " 00-0A-E4-00-00-0A 00-0A-E4-00-00-0A,00-0A-E4-00-00-0B,00-0A-E4-00-00-0C"};
        QTest::newRow("a conflict starts at a known pair's IP")
            << QStringList{"1 " + a + " 00-0A-E4-00-00-0A"}
            << QStringList{a + " 00-0A-E4-00-00-0A+00-0A-E4-00-00-0B"} << QString()
            << QStringList{"new-station " + a + " 00-0A-E4-00-00-0B",
                           "ip-conflict " + a + " 00-0A-E4-00-00-0A 00-0A-E4-00-00-0A,00-0A-E4-00-00-0B"};
        QTest::newRow("a conflict lasts, its MACs heard in another order")
            << QStringList{"1 " + three} << QStringList{a + " 00-0A-E4-00-00-0C+00-0A-E4-00-00-0A"}
            << QString() << QStringList{};
        QTest::newRow("a conflict ends") << QStringList{"1 " + three} << QStringList{a + " 00-0A-E4-00-00-0B"}
                                         << QString() << QStringList{};
    }

    void events()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, scan);
        QFETCH(QString, neighbour);
        QFETCH(QStringList, expected);

        QMap<int, QStringList> byAge;
        for (const QString &line : before)
            byAge[line.section(QLatin1Char(' '), 0, 0).toInt()].append(line.section(QLatin1Char(' '), 1));
        for (auto it = byAge.constEnd(); it != byAge.constBegin();) {
            --it;
            QVERIFY(scanAt(Now.addDays(-it.key()), rowsOf(it.value())).ok());
        }
        QHash<QString, QString> neighbours;
        if (!neighbour.isEmpty())
            neighbours.insert(neighbour.section(QLatin1Char(' '), 0, 0),
                              neighbour.section(QLatin1Char(' '), 1));
        const Result<QList<ChangeEvent>> events = scanAt(Now, rowsOf(scan), neighbours);
        QVERIFY2(events.ok(), qPrintable(events.error()));
        QCOMPARE(summaries(*events), expected);
        for (const ChangeEvent &e : *events)
            QCOMPARE(e.time, Now);
        // The store gives the same events back, every MAC of a conflict with them.
        QStringList stored = summaries(*HistoryReader(*m_store).changes(Now));
        stored.sort();
        expected.sort();
        QCOMPARE(stored, expected);
    }

    void absenceDaysAreSet()
    {
        const QList<ScanRow> rows = rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A")});
        QVERIFY(scanAt(Now.addDays(-8), rows).ok());
        HistoryRecorder recorder(*m_store, [] { return Now; });
        recorder.setAbsenceDays(7);
        const Result<QList<ChangeEvent>> events = recorder.record(rows);
        QVERIFY(events.ok());
        QCOMPARE(summaries(*events), QStringList{"returned 198.18.104.10 00-0A-E4-00-00-0A"});
    }

    void filters_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<int>("sinceDaysAgo"); // -1: none
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("all") << QString() << QString() << -1
                             << QStringList{"198.18.104.10 00-0A-E4-00-00-0A",
                                            "198.18.104.10 00-0A-E4-00-00-0B",
                                            "198.18.104.11 00-0A-E4-00-00-0A"};
        QTest::newRow("one IP") << "198.18.104.11" << QString() << -1
                                << QStringList{"198.18.104.11 00-0A-E4-00-00-0A"};
        QTest::newRow("one MAC, colon form")
            << QString() << "00:0a:e4:00:00:0a" << -1
            << QStringList{"198.18.104.10 00-0A-E4-00-00-0A", "198.18.104.11 00-0A-E4-00-00-0A"};
        QTest::newRow("IP and MAC") << "198.18.104.10"
                                    << "00-0A-E4-00-00-0B" << -1
                                    << QStringList{"198.18.104.10 00-0A-E4-00-00-0B"};
        QTest::newRow("since") << QString() << QString() << 3
                               << QStringList{"198.18.104.10 00-0A-E4-00-00-0B"};
        QTest::newRow("nothing") << "198.18.104.99" << QString() << -1 << QStringList{};
    }

    void filters()
    {
        QFETCH(QString, ip);
        QFETCH(QString, mac);
        QFETCH(int, sinceDaysAgo);
        QFETCH(QStringList, expected);

        QVERIFY(scanAt(Now.addDays(-5), rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A"),
                                                QStringLiteral("198.18.104.11 00-0A-E4-00-00-0A")}))
                    .ok());
        QVERIFY(scanAt(Now.addDays(-1), rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0B")})).ok());
        HistoryReader::Filter filter{ip, mac, std::nullopt};
        if (sinceDaysAgo >= 0)
            filter.since = Now.addDays(-sinceDaysAgo);
        const Result<QList<HistoryEntry>> entries = HistoryReader(*m_store).entries(filter);
        QVERIFY(entries.ok());
        QStringList got;
        for (const HistoryEntry &entry : *entries)
            got.append(entry.ipAddress + QLatin1Char(' ') + entry.macAddress);
        QCOMPARE(got, expected);
    }

    // The names a station gives travel into the database as they came, whatever
    // characters they hold.
    void textsKeepEveryCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("quotes") << QStringLiteral("say \"hi\" 'there'");
        QTest::newRow("backslashes") << QStringLiteral("C:\\share\\\\x\\u0041");
        QTest::newRow("control characters") << QStringLiteral("a\tb\nc") + QChar(1) + QChar(0x1f);
        QTest::newRow("non-ASCII") << QStringLiteral("Küche-PC ÄÖÜ ß 会議室");
        QTest::newRow("beyond the basic plane")
            << QString::fromUtf8("printer \xF0\x9F\x96\xA8 \xF0\x9D\x84\x9E");
        QTest::newRow("digits stay text") << QStringLiteral("0042");
        QTest::newRow("JSON of its own") << QStringLiteral("[\"a\", {\"b\": null}]");
    }

    void textsKeepEveryCharacter()
    {
        QFETCH(QString, text);
        ScanRow r = row(QStringLiteral("198.18.104.10"), QStringLiteral("00-0A-E4-00-00-0A"), text);
        r.workgroup = text + QLatin1String("-wg");
        r.vendor = text + QLatin1String("-vendor");
        const Result<QList<ChangeEvent>> events = scanAt(Now, {r});
        QVERIFY2(events.ok(), qPrintable(events.error()));

        const HistoryReader reader(*m_store);
        const Result<QList<HistoryEntry>> entries = reader.entries({});
        QVERIFY(entries.ok());
        QCOMPARE(entries->size(), 1);
        QCOMPARE(entries->at(0).hostName, text);
        QCOMPARE(entries->at(0).workgroup, text + QLatin1String("-wg"));
        QCOMPARE(entries->at(0).vendor, text + QLatin1String("-vendor"));
        QCOMPARE(entries->at(0).scanCount, 1);
        QCOMPARE(entries->at(0).firstSeen, Now);
        const Result<QList<ChangeEvent>> stored = reader.changes();
        QVERIFY(stored.ok());
        QCOMPARE(stored->size(), 1);
        QCOMPARE(stored->at(0).hostName, text);
        QVERIFY(stored->at(0).otherMac.isEmpty());
        QVERIFY(!stored->at(0).otherTime.isValid());
    }

    // Two watchers write into one store: each site's events compare its scans
    // with its own history, and the same pair on two sites is two rows.
    void sitesAreApart()
    {
        const QString ip = QStringLiteral("198.18.124.10");
        const auto scanOn = [&](const QString &site, const QDateTime &when, const QString &mac) {
            HistoryRecorder recorder(*m_store, [when] { return when; });
            recorder.setSite(site);
            return recorder.record(rowsOf({ip + QLatin1Char(' ') + mac}));
        };
        QCOMPARE(
            summaries(*scanOn(QStringLiteral("north"), Now.addDays(-2), QStringLiteral("00-0A-E4-00-00-0A"))),
            QStringList{"new-station " + ip + " 00-0A-E4-00-00-0A"});
        // Another MAC at the same IP of another site is no change, and a MAC
        // one site knows is new to the other.
        QCOMPARE(
            summaries(*scanOn(QStringLiteral("south"), Now.addDays(-1), QStringLiteral("00-0A-E4-00-00-0B"))),
            QStringList{"new-station " + ip + " 00-0A-E4-00-00-0B"});
        const Result<QList<ChangeEvent>> south =
            scanOn(QStringLiteral("south"), Now, QStringLiteral("00-0A-E4-00-00-0A"));
        QVERIFY2(south.ok(), qPrintable(south.error()));
        QCOMPARE(summaries(*south),
                 QStringList({"new-station " + ip + " 00-0A-E4-00-00-0A",
                              "mac-changed " + ip + " 00-0A-E4-00-00-0A 00-0A-E4-00-00-0B"}));
        QCOMPARE(south->at(0).site, QStringLiteral("south"));
        // Back on the first site the pair was seen two days ago: no event.
        QCOMPARE(summaries(*scanOn(QStringLiteral("north"), Now, QStringLiteral("00-0A-E4-00-00-0A"))),
                 QStringList{});

        const HistoryReader reader(*m_store);
        const Result<QList<HistoryEntry>> all = reader.entries({});
        QVERIFY(all.ok());
        QStringList rows;
        for (const HistoryEntry &entry : *all)
            rows.append(entry.site + QLatin1Char(' ') + entry.macAddress + QLatin1Char(' ') +
                        QString::number(entry.scanCount));
        QCOMPARE(rows, QStringList({"north 00-0A-E4-00-00-0A 2", "south 00-0A-E4-00-00-0A 1",
                                    "south 00-0A-E4-00-00-0B 1"}));
        HistoryReader::Filter north;
        north.site = QStringLiteral("north");
        QCOMPARE(reader.entries(north)->size(), 1);
        QCOMPARE(*reader.sites(), QStringList({"north", "south"}));
        const Result<QList<ChangeEvent>> southEvents = reader.changes(std::nullopt, QStringLiteral("south"));
        QVERIFY(southEvents.ok());
        QCOMPARE(southEvents->size(), 3);
        for (const ChangeEvent &event : *southEvents)
            QCOMPARE(event.site, QStringLiteral("south"));
        QCOMPARE(reader.changes()->size(), 4);
    }

    void siteDefaultsToTheHostName()
    {
        HistoryRecorder recorder(*m_store, [] { return Now; });
        QCOMPARE(recorder.site(), QSysInfo::machineHostName());
        recorder.setSite(QStringLiteral("  "));
        QCOMPARE(recorder.site(), QSysInfo::machineHostName());
        const Result<QList<ChangeEvent>> events =
            recorder.record(rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A")}));
        QVERIFY(events.ok());
        QCOMPARE(events->at(0).site, QSysInfo::machineHostName());
        QCOMPARE(HistoryReader(*m_store).entries({})->at(0).site, QSysInfo::machineHostName());
    }

    // A history written before sites keeps every row, on the migrating
    // machine's site, and goes on from there without events.
    void historyBeforeSitesIsThisMachines()
    {
        if (StoreEngines::onServer())
            QSKIP("An older file is a SQLite file.");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
            db.setDatabaseName(m_store->databasePath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (
                const char *statement :
                {"CREATE TABLE T_Record (ID INTEGER PRIMARY KEY AUTOINCREMENT, IPAddress TEXT, MACAddress TEXT, "
                 "HostName TEXT, Workgroup TEXT, User TEXT, Department TEXT, Location TEXT, laninterface TEXT, "
                 "Comments TEXT)",
                 "CREATE TABLE T_History (IPAddress TEXT NOT NULL, MACAddress TEXT NOT NULL, FirstSeen TEXT "
                 "NOT NULL, LastSeen TEXT NOT NULL, ScanCount INTEGER NOT NULL, HostName TEXT, Workgroup TEXT, "
                 "Vendor TEXT, PRIMARY KEY (IPAddress, MACAddress))",
                 "CREATE TABLE T_Change (EventTime TEXT NOT NULL, Kind TEXT NOT NULL, IPAddress TEXT NOT NULL, "
                 "MACAddress TEXT NOT NULL, OtherMAC TEXT, OtherTime TEXT, HostName TEXT, "
                 "PRIMARY KEY (EventTime, Kind, IPAddress, MACAddress))",
                 "INSERT INTO T_History VALUES ('198.18.104.10', '00-0A-E4-00-00-0A', '2026-06-01T08:00:00Z', "
                 "'2026-06-14T08:00:00Z', 5, 'ALPHA', 'WG', 'Vendor')",
                 "INSERT INTO T_Change VALUES ('2026-06-01T08:00:00Z', 'new-station', '198.18.104.10', "
                 "'00-0A-E4-00-00-0A', NULL, NULL, 'ALPHA')",
                 "PRAGMA user_version = 3"})
                QVERIFY2(query.exec(QLatin1String(statement)), statement);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("older"));

        const Result<QList<ChangeEvent>> events =
            scanAt(Now, rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A")}));
        QVERIFY2(events.ok(), qPrintable(events.error()));
        QCOMPARE(events->size(), 0);
        const HistoryReader reader(*m_store);
        const Result<QList<HistoryEntry>> entries = reader.entries({});
        QCOMPARE(entries->size(), 1);
        QCOMPARE(entries->at(0).site, QSysInfo::machineHostName());
        QCOMPARE(entries->at(0).scanCount, 6);
        QCOMPARE(entries->at(0).hostName, QStringLiteral("ALPHA"));
        const Result<QList<ChangeEvent>> stored = reader.changes();
        QCOMPARE(stored->size(), 1);
        QCOMPARE(stored->at(0).site, QSysInfo::machineHostName());
    }

    // A row's further MACs survive the kept file; rows without them have none.
    void keptScanKeepsFurtherMacs()
    {
        const HistorySpool spool(*m_store);
        const QStringList rows{"198.18.104.10 00-0A-E4-00-00-0A+00-0A-E4-00-00-0B",
                               "198.18.104.11 00-0A-E4-00-00-0C"};
        QVERIFY(spool.keep(ScanHistory::completed(rowsOf(rows), {}, {}, [] { return Now; })).ok());
        const Result<KeptScan> kept = spool.read(spool.pending().value(0));
        QVERIFY2(kept.ok(), qPrintable(kept.error()));
        QCOMPARE(kept->rows.value(0).otherMacs, QStringList{"00-0A-E4-00-00-0B"});
        QCOMPARE(kept->rows.value(1).otherMacs, QStringList{});
    }

    // Scans kept while the store was unavailable are written oldest first
    // before the next scan; a kept file that fails the reader's bounds is
    // set aside and said, and holds up none of the others.
    void keptScansAreWrittenInOrder_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char *damage :
             {"", "not JSON", "a text past the bound", "more rows than a scan", "sparse"})
            QTest::newRow(*damage ? damage : "none") << QString::fromLatin1(damage);
    }

    void keptScansAreWrittenInOrder()
    {
        QFETCH(QString, damage);
        const HistorySpool spool(*m_store);
        const auto at = [](int minutes) { return Now.addSecs(60 * minutes); };
        const auto scan = [](const QDateTime &when, const QString &pair) {
            return ScanHistory::completed(rowsOf({pair}), {}, {}, [when] { return when; });
        };
        QVERIFY(spool.keep(scan(at(1), QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A"))).ok());
        QVERIFY(spool.keep(scan(at(2), QStringLiteral("198.18.104.11 00-0A-E4-00-00-0B"))).ok());
        QVERIFY(spool.keep(scan(at(3), QStringLiteral("198.18.104.10 00-0A-E4-00-00-0C"))).ok());
        const QString second = spool.pending().value(1);
        if (!damage.isEmpty()) {
            QFile file(second);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (damage == QLatin1String("sparse")) {
                QVERIFY(file.resize(HistorySpool::MaxFileBytes + 1));
            } else {
                const QByteArray bytes = damaged(file.readAll(), damage);
                QVERIFY(file.resize(0) && file.write(bytes) == bytes.size());
            }
        }

        const ScanHistory::Outcome outcome =
            ScanHistory::write(*m_store, scan(at(4), QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A")));
        QCOMPARE(outcome.fate, ScanHistory::Outcome::Fate::Written);
        QCOMPARE(outcome.keptWritten, damage.isEmpty() ? 3 : 2);
        QCOMPARE(outcome.messages.value(0), QStringLiteral("Wrote %1 scans' history kept while the store was "
                                                           "unavailable.")
                                                .arg(outcome.keptWritten));
        QCOMPARE(outcome.messages.size(), damage.isEmpty() ? 1 : 2);
        QVERIFY(spool.pending().isEmpty());
        if (!damage.isEmpty()) {
            QVERIFY2(
                outcome.messages.at(1).endsWith(
                    QStringLiteral("it is set aside as %1.damaged.").arg(QDir::toNativeSeparators(second))),
                qPrintable(outcome.messages.at(1)));
            QVERIFY(QFile::exists(second + QLatin1String(".damaged")));
        }
        // The IP's MAC changed at the third scan and back at the fourth.
        QStringList changes;
        for (const ChangeEvent &e : *HistoryReader(*m_store).changes()) {
            if (e.kind == ChangeEvent::Kind::MacChanged)
                changes.append(e.time.toString(Qt::ISODate) + QLatin1Char(' ') + e.macAddress);
        }
        QCOMPARE(changes, QStringList({at(3).toString(Qt::ISODate) + QLatin1String(" 00-0A-E4-00-00-0C"),
                                       at(4).toString(Qt::ISODate) + QLatin1String(" 00-0A-E4-00-00-0A")}));
        const Result<QList<HistoryEntry>> entries = HistoryReader(*m_store).entries({});
        QCOMPARE(entries->size(), damage.isEmpty() ? 3 : 2);
        QCOMPARE(entries->at(0).firstSeen, at(1));
        QCOMPARE(entries->at(0).lastSeen, at(4));
    }

    // What was heard between scans goes through the spool like a scan's
    // history: its events keep their own times, its pairs (IPv6 ones too)
    // count no scan.
    void heardPairsAndEventsAreKept()
    {
        KeptScan heard;
        heard.heard = true;
        heard.time = Now;
        heard.site = QStringLiteral("lab");
        heard.rows = rowsOf({"198.18.104.10 00-0A-E4-00-00-0A", "2001:2::10 00-0A-E4-00-00-0B"});
        ChangeEvent &conflict = heard.events.emplace_back();
        conflict.kind = ChangeEvent::Kind::IpConflict;
        conflict.time = Now.addSecs(-2);
        conflict.ipAddress = QStringLiteral("198.18.104.10");
        conflict.macAddress = QStringLiteral("00-0A-E4-00-00-0A");
        conflict.otherMac = QStringLiteral("00-0A-E4-00-00-0B");
        QVERIFY(HistorySpool(*m_store).keep(heard).ok());

        const ScanHistory::Outcome outcome = ScanHistory::write(
            *m_store, ScanHistory::completed(rowsOf({"198.18.104.10 00-0A-E4-00-00-0A"}), {},
                                             QStringLiteral("lab"), [] { return Now.addSecs(60); }));
        QCOMPARE(outcome.keptWritten, 1);
        QVERIFY(outcome.events.isEmpty());
        const Result<QList<HistoryEntry>> entries = HistoryReader(*m_store).entries({});
        QCOMPARE(entries->size(), 2);
        QCOMPARE(entries->at(0).firstSeen, Now);
        QCOMPARE(entries->at(0).scanCount, 1);
        QCOMPARE(entries->at(1).ipAddress, QStringLiteral("2001:2::10"));
        QCOMPARE(entries->at(1).scanCount, 0);
        const Result<QList<ChangeEvent>> changes = HistoryReader(*m_store).changes();
        QCOMPARE(summaries(*changes),
                 QStringList{"ip-conflict 198.18.104.10 00-0A-E4-00-00-0A 00-0A-E4-00-00-0B"});
        QCOMPARE(changes->at(0).time, Now.addSecs(-2));
        QCOMPARE(changes->at(0).site, QStringLiteral("lab"));
    }

    // Two large scans finish together while a record edit holds
    // its lock past that lock's wait: every history reported written is
    // there, on a server both are written at once, and on the file (where
    // the record edit locks the whole store) they are kept and written by
    // the next scan.
    void largeScansTogetherBesideARecordEdit()
    {
        QVERIFY(m_store->prepare().ok());
        const QList<ScanRow> rows = largeScan();
        ScanHistory::Outcome outcomes[2];
        {
            RecordStoreSession edit(*m_store);
            QVERIFY(edit.beginWrite().ok());
            std::thread writers[2];
            for (int n = 0; n < 2; ++n) {
                writers[n] = std::thread([&, n, store = *m_store] {
                    outcomes[n] = ScanHistory::write(
                        store, ScanHistory::completed(rows, {}, QStringLiteral("site-%1").arg(n),
                                                      [] { return Now; }));
                });
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(3000));
            const bool committed = edit.commit().ok();
            for (std::thread &writer : writers)
                writer.join();
            QVERIFY(committed);
        }
        const auto count = [this](int site) {
            HistoryReader::Filter filter;
            filter.site = QStringLiteral("site-%1").arg(site);
            return HistoryReader(*m_store).entries(filter)->size();
        };
        for (int n = 0; n < 2; ++n) {
            QVERIFY2(outcomes[n].fate != ScanHistory::Outcome::Fate::Lost,
                     qPrintable(outcomes[n].messages.join('\n')));
            if (outcomes[n].fate == ScanHistory::Outcome::Fate::Written)
                QCOMPARE(count(n), rows.size());
            else
                QVERIFY(!StoreEngines::onServer());
        }
        QCOMPARE(ScanHistory::write(*m_store, ScanHistory::completed({}, {})).fate,
                 ScanHistory::Outcome::Fate::Written);
        QCOMPARE(count(0), rows.size());
        QCOMPARE(count(1), rows.size());
    }

    // A scan whose history cannot be written leaves the history as it was.
    void failedUpdateChangesNothing()
    {
        if (StoreEngines::onServer())
            QSKIP("The refusing trigger is written for the SQLite file.");
        QVERIFY(scanAt(Now.addDays(-1), rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0A")})).ok());
        // A value the column refuses half-way through the scan's rows.
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sabotage"));
            db.setDatabaseName(m_store->databasePath());
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON T_History "
                                              "WHEN NEW.IPAddress = '198.18.104.12' BEGIN "
                                              "SELECT RAISE(ABORT, 'refused by the test'); END"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("sabotage"));
        const Result<QList<ChangeEvent>> events =
            scanAt(Now, rowsOf({QStringLiteral("198.18.104.10 00-0A-E4-00-00-0B"),
                                QStringLiteral("198.18.104.12 00-0A-E4-00-00-0C")}));
        QVERIFY(!events.ok());
        QVERIFY2(events.error().contains(QLatin1String("refused by the test")), qPrintable(events.error()));
        const Result<QList<HistoryEntry>> entries = HistoryReader(*m_store).entries({});
        QCOMPARE(entries->size(), 1);
        QCOMPARE(entries->at(0).lastSeen, Now.addDays(-1));
        QCOMPARE(HistoryReader(*m_store).changes(Now)->size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHistoryRecorder)
#include "TestHistoryRecorder.moc"
