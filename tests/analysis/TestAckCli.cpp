#include <QFile>
#include <QTest>

#include "records/AcknowledgementStore.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/StoreEngines.h"

// netkestrel-cli ack add/list/remove as a script runs them, and what an
// acknowledgement does to the findings of netkestrel-cli analyze, on either
// engine of the record store.
class TestAckCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void init();
    void cleanup();
    void badUsage_data();
    void badUsage();
    void addListRemove();
    void expiredListedAsExpired();
    void analyzeMarksAcknowledged();

private:
    CliProcess::Run ack(const QStringList &arguments);

    StoreEngines m_engines;
    std::unique_ptr<RecordFixture> m_f;
};

namespace {

const QString Ip = QStringLiteral("198.18.7.11");
const QString Mac = QStringLiteral("00-0A-E4-00-00-0B");

} // namespace

void TestAckCli::initTestCase_data()
{
    StoreEngines::addRows();
}

void TestAckCli::init()
{
    if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Result<PostgresServer *> server = m_engines.server();
    QVERIFY2(server, qPrintable(server.error()));
    m_f = std::make_unique<RecordFixture>(*server);
    QVERIFY(m_f->isValid());
}

void TestAckCli::cleanup()
{
    // The acknowledgements of a server never go to the data folder's file.
    if (m_f && m_f->onServer())
        QVERIFY(!QFile::exists(m_f->databasePath()));
}

CliProcess::Run TestAckCli::ack(const QStringList &arguments)
{
    QStringList all{QStringLiteral("ack")};
    if (!arguments.isEmpty())
        all += arguments.first();
    all += m_f->storeArguments() + arguments.mid(1);
    return CliProcess::run(all);
}

void TestAckCli::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("no --mac") << QStringList{"add", "--ip", Ip} << "--ip and --mac are both required.";
    QTest::newRow("no --ip to remove")
        << QStringList{"remove", "--mac", Mac} << "--ip and --mac are both required.";
    QTest::newRow("IP of three parts")
        << QStringList{"add", "--ip", "198.18.7", "--mac", Mac} << "--ip \"198.18.7\" is no IPv4 address";
    QTest::newRow("IP part above 255") << QStringList{"remove", "--ip", "198.18.7.256", "--mac", Mac}
                                       << "--ip \"198.18.7.256\" is no IPv4 address";
    QTest::newRow("MAC of five parts") << QStringList{"add", "--ip", Ip, "--mac", "00-0A-E4-00-00"}
                                       << "--mac \"00-0A-E4-00-00\" is no MAC address";
    QTest::newRow("MAC with a G") << QStringList{"add", "--ip", Ip, "--mac", "00-0A-E4-00-00-0G"}
                                  << "--mac \"00-0A-E4-00-00-0G\" is no MAC address";
    QTest::newRow("date of month 13") << QStringList{"add", "--ip", Ip, "--mac", Mac, "--until", "2026-13-01"}
                                      << "--until \"2026-13-01\" is no date";
    QTest::newRow("time without a zone")
        << QStringList{"add", "--ip", Ip, "--mac", Mac, "--until", "2026-12-01T10:00:00"}
        << "--until \"2026-12-01T10:00:00\" is no date";
    QTest::newRow("--until on remove")
        << QStringList{"remove", "--ip", Ip, "--mac", Mac, "--until", "2026-12-01"}
        << "Unknown option 'until'.";
    QTest::newRow("list takes no pair") << QStringList{"list", "--ip", Ip} << "Unknown option 'ip'.";
    QTest::newRow("unknown command") << QStringList{"clear"} << "unknown command \"clear\".";
}

void TestAckCli::badUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliProcess::Run run = ack(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    // Refused before anything was written.
    if (m_f->onServer() || QFile::exists(m_f->databasePath()))
        QVERIFY(AcknowledgementStore(m_f->store()).all()->isEmpty());
}

void TestAckCli::addListRemove()
{
    CliProcess::Run run = ack({"add", "--ip", "198.18.7.011", "--mac", "00:0a:e4:00:00:0b", "--note",
                               "lab printer\tby the door", "--until", "2999-12-31", "--by", "ops"});
    QCOMPARE(run.status, 0);
    run = ack({"add", "--ip", "198.18.7.2", "--mac", "00-0A-E4-00-00-02"});
    QCOMPARE(run.status, 0);

    run = ack({"list"});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    // Ordered by IP text; the pair in its normal form; the note's tab
    // escaped, so that it cannot split the line.
    QStringList first = lines.at(0).split(QLatin1Char('\t'));
    QCOMPARE(first.size(), 6);
    QCOMPARE(first.mid(0, 3), (QStringList{Ip, Mac, "ops"}));
    QVERIFY(QDateTime::fromString(first.at(3), Qt::ISODate).isValid());
    QVERIFY(first.at(3).endsWith(QLatin1Char('Z')));
    QCOMPARE(first.at(4), QStringLiteral("until 2999-12-31T23:59:59Z"));
    QCOMPARE(first.at(5), QStringLiteral("lab printer\\tby the door"));
    const QStringList second = lines.at(1).split(QLatin1Char('\t'));
    QCOMPARE(second.at(0), QStringLiteral("198.18.7.2"));
    QVERIFY(!second.at(2).isEmpty()); // the login name
    QCOMPARE(second.at(4), QStringLiteral("for ever"));

    run = ack({"remove", "--ip", Ip, "--mac", Mac.toLower()});
    QCOMPARE(run.status, 0);
    run = ack({"remove", "--ip", Ip, "--mac", Mac});
    QCOMPARE(run.status, 1);
    QVERIFY2(
        run.err.contains(QStringLiteral("198.18.7.11 00-0A-E4-00-00-0B has no acknowledgement to withdraw.")),
        qPrintable(run.err));
    QCOMPARE(ack({"list"}).out.count(QLatin1Char('\n')), 1);
}

void TestAckCli::expiredListedAsExpired()
{
    QCOMPARE(ack({"add", "--ip", Ip, "--mac", Mac, "--until", "2000-01-01T12:00:00+02:00"}).status, 0);
    const CliProcess::Run run = ack({"list"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.split(QLatin1Char('\t')).value(4), QStringLiteral("expired 2000-01-01T10:00:00Z"));
}

void TestAckCli::analyzeMarksAcknowledged()
{
    QVERIFY(m_f->add(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-00-00-0A")).id > 0);
    const QString scanFile = m_f->filePath(QStringLiteral("scan.kst"));
    QFile file(scanFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\"1\",\"198.18.7.10\",\"00-0A-E4-00-00-0A\",\"\",\"\",\"\"\r\n"
               "\"2\",\"198.18.7.11\",\"00-0A-E4-00-00-0B\",\"\",\"\",\"\"\r\n"
               "\"3\",\"198.18.7.13\",\"00-0A-E4-00-00-0D\",\"\",\"\",\"\"\r\n");
    file.close();
    const auto analyze = [&] {
        return CliProcess::run(QStringList{"analyze", "--scan-file", scanFile} + m_f->storeArguments());
    };

    const CliProcess::Run before = analyze();
    QCOMPARE(before.status, 3);
    QVERIFY(!before.out.contains(QStringLiteral("(acknowledged)")));

    QCOMPARE(ack({"add", "--ip", Ip, "--mac", Mac}).status, 0);
    const CliProcess::Run after = analyze();
    QCOMPARE(after.status, 3);
    const QStringList beforeLines = before.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList afterLines = after.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(afterLines.size(), beforeLines.size());
    for (int i = 0; i < afterLines.size(); ++i) {
        // The same finding, its text unchanged, marked only when it is the pair's.
        const QString finding = beforeLines.at(i).section(QLatin1Char('\t'), 1);
        const bool ours = finding.contains(Mac) || finding.contains(QStringLiteral("IP:") + Ip);
        QCOMPARE(afterLines.at(i).section(QLatin1Char('\t'), 1),
                 ours ? finding + QStringLiteral(" (acknowledged)") : finding);
    }

    // Only acknowledged findings left: nothing needs a look.
    QCOMPARE(ack({"add", "--ip", "198.18.7.13", "--mac", "00-0A-E4-00-00-0D"}).status, 0);
    const CliProcess::Run quiet = analyze();
    QCOMPARE(quiet.status, 0);
    QCOMPARE(quiet.out.count(QStringLiteral(" (acknowledged)\n")), afterLines.size());

    // An expired acknowledgement counts as absent.
    QCOMPARE(
        ack({"add", "--ip", "198.18.7.13", "--mac", "00-0A-E4-00-00-0D", "--until", "2000-01-01"}).status, 0);
    QCOMPARE(analyze().status, 3);
}

QTEST_GUILESS_MAIN(TestAckCli)
#include "TestAckCli.moc"
