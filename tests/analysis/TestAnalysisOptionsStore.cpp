#include <QSqlDatabase>
#include <QTest>

#include "analysis/AnalysisOptionsStore.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/StoreEngines.h"

// LoadAnalysisOptions and SaveAnalysisOptions on T_set of a real database in
// a temporary data folder.
class TestAnalysisOptionsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void init();
    void emptyTableGivesDefaults();
    void roundTripKeepsOneRow();
    void storedMinutes_data();
    void storedMinutes();
    void notOfferedMinutesAreNotSaved();
    void parseMinutes_data();
    void parseMinutes();

private:
    int rowCount();
    void exec(const QString &statement);

    StoreEngines m_engines;
    std::unique_ptr<RecordFixture> m_f;
    RecordStore *m_records = nullptr;
};

void TestAnalysisOptionsStore::initTestCase_data()
{
    StoreEngines::addRows();
}

void TestAnalysisOptionsStore::init()
{
    if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Result<PostgresServer *> server = m_engines.server();
    QVERIFY2(server, qPrintable(server.error()));
    m_f = std::make_unique<RecordFixture>(*server);
    QVERIFY(m_f->isValid());
    m_records = &m_f->store();
}

void TestAnalysisOptionsStore::exec(const QString &statement)
{
    QVERIFY(m_records->prepare());
    QVERIFY(m_f->exec(statement));
}

int TestAnalysisOptionsStore::rowCount()
{
    return m_f->column(QStringLiteral("SELECT COUNT(*) FROM T_set")).value(0, -1).toInt();
}

void TestAnalysisOptionsStore::emptyTableGivesDefaults()
{
    AnalysisOptionsStore store(*m_records);
    const Result<AnalysisOptions> loaded = store.LoadAnalysisOptions();
    QVERIFY(loaded);
    const AnalysisOptions options = *loaded;
    QCOMPARE(options, AnalysisOptions());
    QVERIFY(!options.displayNonResponded);
    QVERIFY(options.analyzeMac && options.analyzeIp && options.autoScan);
    QVERIFY(!options.clearBeforeAnalysis);
    QCOMPARE(options.mins, 5);
    QCOMPARE(rowCount(), 0); // created by the first save only
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

void TestAnalysisOptionsStore::roundTripKeepsOneRow()
{
    AnalysisOptionsStore store(*m_records);
    QVERIFY(store.SaveAnalysisOptions(AnalysisOptions()));
    QCOMPARE(rowCount(), 1);

    AnalysisOptions changed;
    changed.displayNonResponded = true;
    changed.analyzeMac = false;
    changed.analyzeIp = true;
    changed.autoScan = false;
    changed.clearBeforeAnalysis = true;
    changed.listenBetweenScans = true;
    changed.mins = 1440;
    QVERIFY(store.SaveAnalysisOptions(changed));
    QCOMPARE(rowCount(), 1);
    const Result<AnalysisOptions> loaded = store.LoadAnalysisOptions();
    QVERIFY(loaded);
    const AnalysisOptions read = *loaded;
    QCOMPARE(read, changed);
    QCOMPARE(AnalysisOptions::intervalMs(read.mins), qint64(86400000));
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
}

void TestAnalysisOptionsStore::storedMinutes_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");

    QTest::newRow("offered") << QStringLiteral("90") << 90;
    QTest::newRow("not offered") << QStringLiteral("7") << 5;
    QTest::newRow("negative") << QStringLiteral("-5") << 5;
    QTest::newRow("NULL") << QStringLiteral("NULL") << 5;
    QTest::newRow("text") << QStringLiteral("'ten'") << 5;
}

void TestAnalysisOptionsStore::storedMinutes()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    if (m_f->onServer() && stored.startsWith(QLatin1Char('\'')))
        QSKIP("a server keeps no text in a number column");

    exec(QStringLiteral(
             "INSERT INTO T_set (check1, check2, check3, check4, check5, mins) VALUES (1, 0, 2, 1, 0, %1)")
             .arg(stored));
    const Result<AnalysisOptions> loaded = AnalysisOptionsStore(*m_records).LoadAnalysisOptions();
    QVERIFY(loaded);
    const AnalysisOptions read = *loaded;
    QCOMPARE(read.mins, expected);
    QVERIFY(read.displayNonResponded);
    QVERIFY(!read.analyzeMac);
    QVERIFY(!read.analyzeIp); // only 1 counts as ticked
}

void TestAnalysisOptionsStore::notOfferedMinutesAreNotSaved()
{
    AnalysisOptionsStore store(*m_records);
    AnalysisOptions options;
    options.mins = 30;
    QVERIFY(store.SaveAnalysisOptions(options));
    options.mins = 7;
    const Result<> refused = store.SaveAnalysisOptions(options);
    QVERIFY(!refused);
    QVERIFY(refused.error().contains(QStringLiteral("7 is not one of the offered minute values")));
    QCOMPARE(store.LoadAnalysisOptions()->mins, 30);
}

void TestAnalysisOptionsStore::parseMinutes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 0: refused

    for (int m : AnalysisOptions::offeredMinutes())
        QTest::addRow("%d", m) << QString::number(m) << m;
    QTest::newRow("not offered") << QStringLiteral("7") << 0;
    QTest::newRow("not a number") << QStringLiteral("five") << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("fraction") << QStringLiteral("5.5") << 0;
}

void TestAnalysisOptionsStore::parseMinutes()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(AnalysisOptions::parseMinutes(text).value_or(0), expected);
}

QTEST_GUILESS_MAIN(TestAnalysisOptionsStore)
#include "TestAnalysisOptionsStore.moc"
