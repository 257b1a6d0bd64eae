#include "records/ScanRowImport.h"
#include "tests/support/RecordFixture.h"

#include <QTest>

Q_DECLARE_METATYPE(ScanRowImport::OnDuplicate)

using MatchBy = BatchItem::MatchBy;
using OnDuplicate = ScanRowImport::OnDuplicate;

// Scan rows taken into the record store with each duplicate option, the
// questions and their answers, and what the run reports on the way.
class TestScanRowImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rowsAreStoredAsTheyStand();
    void duplicateOptions_data();
    void duplicateOptions();
    void cancelKeepsWhatWasDecided();
    void macIsMatchedWithoutRegardToCase_data();
    void macIsMatchedWithoutRegardToCase();
    void sameAddressTwiceInOneRun_data();
    void sameAddressTwiceInOneRun();
    void progressFollowsTheTickedRows_data();
    void progressFollowsTheTickedRows();
    void storeFailureWritesNothing();

private:
    static ScanRow row(const QString &ip, const QString &mac, const QString &host = {},
                       const QString &workgroup = {});
    Result<ScanRowImport::Outcome> run(const QList<ScanRow> &rows, MatchBy matchBy, OnDuplicate onDuplicate);
    QList<PresetRecord> records() { return *m_f->store().loadAll(); }
    QStringList texts() const;

    std::unique_ptr<RecordFixture> m_f;
    QList<int> m_progress;
    QStringList m_status;
};

void TestScanRowImport::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
    m_progress.clear();
    m_status.clear();
}

ScanRow TestScanRowImport::row(const QString &ip, const QString &mac, const QString &host,
                               const QString &workgroup)
{
    return ScanRow::fromFields(
        {QStringLiteral("1"), ip, mac, host, workgroup, QStringLiteral("Vendor Inc.")});
}

Result<ScanRowImport::Outcome> TestScanRowImport::run(const QList<ScanRow> &rows, MatchBy matchBy,
                                                      OnDuplicate onDuplicate)
{
    QList<int> all;
    for (int k = 0; k < rows.size(); ++k)
        all.append(k);
    ScanRowImport rowImport(m_f->store(), m_f->prompt());
    rowImport.setProgressHandler([this](int percent) { m_progress.append(percent); });
    rowImport.setStatusHandler([this](const QString &text) { m_status.append(text); });
    return rowImport.run(rows, all, {matchBy, onDuplicate});
}

// Every text the prompt was given, in order.
QStringList TestScanRowImport::texts() const
{
    QStringList said;
    for (const PromptRequest &request : m_f->prompt().requests())
        said.append(request.text);
    return said;
}

void TestScanRowImport::rowsAreStoredAsTheyStand()
{
    const QList<ScanRow> rows = {
        row(QStringLiteral("198.18.0.1"), QStringLiteral("00-0A-E4-20-53-55"), QStringLiteral("Host One "),
            QStringLiteral("WORKGROUP")),
        row(QStringLiteral("198.18.0.2"), QString::fromLatin1(ScanRow::NonRespondedMarker)),
    };
    const auto outcome = run(rows, MatchBy::IpAddress, OnDuplicate::Ask);
    QVERIFY(outcome);
    QCOMPARE(outcome->count, 2);
    QVERIFY(!outcome->cancelled);
    const QList<PresetRecord> stored = records();
    QCOMPARE(stored.size(), 2);
    for (int k = 0; k < rows.size(); ++k) {
        const QStringList fields = stored.at(k).fields();
        QCOMPARE(fields.mid(0, ScanRowImport::MappedFields), rows.at(k).fields().mid(1, 4));
        QCOMPARE(fields.mid(ScanRowImport::MappedFields).join(QString()), QString());
    }
    QCOMPARE(m_status, QStringList{QStringLiteral("Successfully added 2 items to database!")});
    QCOMPARE(texts(), QStringList{QStringLiteral("Successfully added to record !")});
    const PromptRequest closing = m_f->prompt().lastRequest();
    QCOMPARE(closing.title, QStringLiteral("Notice"));
    QCOMPARE(closing.icon, PromptIcon::Exclamation);
}

void TestScanRowImport::duplicateOptions_data()
{
    QTest::addColumn<int>("matchBy");
    QTest::addColumn<OnDuplicate>("onDuplicate");
    QTest::addColumn<int>("answer"); // to the question, when asked
    QTest::addColumn<bool>("overwritten");

    const int ip = int(MatchBy::IpAddress);
    const int mac = int(MatchBy::MacAddress);
    const int none = -1;
    QTest::newRow("ip, overwrite") << ip << OnDuplicate::Overwrite << none << true;
    QTest::newRow("ip, skip") << ip << OnDuplicate::Skip << none << false;
    QTest::newRow("ip, ask, Yes") << ip << OnDuplicate::Ask << int(PromptAnswer::Yes) << true;
    QTest::newRow("ip, ask, No") << ip << OnDuplicate::Ask << int(PromptAnswer::No) << false;
    QTest::newRow("mac, overwrite") << mac << OnDuplicate::Overwrite << none << true;
    QTest::newRow("mac, ask, Yes") << mac << OnDuplicate::Ask << int(PromptAnswer::Yes) << true;
    QTest::newRow("mac, ask, No") << mac << OnDuplicate::Ask << int(PromptAnswer::No) << false;
}

void TestScanRowImport::duplicateOptions()
{
    QFETCH(int, matchBy);
    QFETCH(OnDuplicate, onDuplicate);
    QFETCH(int, answer);
    QFETCH(bool, overwritten);

    PresetRecord kept = PresetRecord::fromFields(
        {"198.18.0.7", "00-0A-E4-00-00-07", "old", "OLDGROUP", "alice", "ops", "room 1", "eth0", "printer"});
    kept = *m_f->store().insertRecord(kept);
    // The same key under the chosen match, the other key different.
    const bool byIp = MatchBy(matchBy) == MatchBy::IpAddress;
    const ScanRow scanned = row(byIp ? kept.ipAddress : QStringLiteral("198.18.0.70"),
                                byIp ? QStringLiteral("00-0A-E4-00-00-70") : kept.macAddress,
                                QStringLiteral("new"), QStringLiteral("NEWGROUP"));
    if (answer >= 0)
        m_f->prompt().queueAnswer(PromptAnswer(answer));

    const auto outcome = run({scanned}, MatchBy(matchBy), onDuplicate);
    QVERIFY(outcome);
    QCOMPARE(outcome->count, overwritten ? 1 : 0);

    const QList<PresetRecord> stored = records();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().id, kept.id);
    PresetRecord expected = kept;
    if (overwritten) {
        expected.ipAddress = scanned.ipAddress;
        expected.macAddress = scanned.macAddress;
        expected.hostName = scanned.hostName;
        expected.workgroup = scanned.workgroup;
    }
    QCOMPARE(stored.first().fields(), expected.fields());

    QStringList expectedTexts{QStringLiteral("Successfully added to record !")};
    if (answer >= 0) {
        const QString condition = byIp ? QStringLiteral(" IPAddress='198.18.0.7'")
                                       : QStringLiteral(" MACAddress='00-0A-E4-00-00-07'");
        expectedTexts.prepend(
            condition + QStringLiteral(" already exists. Still continue to add?\r\nClick 'Yes' to overwrite "
                                       "the existing record, 'No' to skip, Cancel to exit this wizard"));
        const PromptRequest question = m_f->prompt().requests().first();
        QCOMPARE(question.title, QStringLiteral("Notice"));
        QCOMPARE(question.buttons, PromptButtons::YesNoCancel);
        QCOMPARE(question.defaultAnswer, PromptAnswer::No);
        QCOMPARE(question.icon, PromptIcon::Information);
    }
    QCOMPARE(texts(), expectedTexts);
    QCOMPARE(m_status, QStringList{ScanRowImport::statusText(overwritten ? 1 : 0)});
}

void TestScanRowImport::cancelKeepsWhatWasDecided()
{
    m_f->add(QStringLiteral("198.18.0.2"), QStringLiteral("00-0A-E4-00-00-02"), QStringLiteral("two"));
    m_f->add(QStringLiteral("198.18.0.3"), QStringLiteral("00-0A-E4-00-00-03"), QStringLiteral("three"));
    const QList<ScanRow> rows = {
        row(QStringLiteral("198.18.0.1"), QStringLiteral("00-0A-E4-00-01-01"), QStringLiteral("new one")),
        row(QStringLiteral("198.18.0.2"), QStringLiteral("00-0A-E4-00-01-02"), QStringLiteral("new two")),
        row(QStringLiteral("198.18.0.3"), QStringLiteral("00-0A-E4-00-01-03"), QStringLiteral("new three")),
        row(QStringLiteral("198.18.0.4"), QStringLiteral("00-0A-E4-00-01-04"), QStringLiteral("new four")),
    };
    m_f->prompt().queueAnswer(PromptAnswer::Yes);
    m_f->prompt().queueAnswer(PromptAnswer::Cancel);

    const auto outcome = run(rows, MatchBy::IpAddress, OnDuplicate::Ask);
    QVERIFY(outcome);
    QVERIFY(outcome->cancelled);
    QCOMPARE(outcome->count, 2);
    QStringList hosts;
    for (const PresetRecord &record : records())
        hosts.append(record.ipAddress + QLatin1Char(' ') + record.hostName);
    QCOMPARE(hosts, QStringList({"198.18.0.2 new two", "198.18.0.3 three", "198.18.0.1 new one"}));
    // Two questions, then the closing message all the same.
    QCOMPARE(texts().size(), 3);
    QCOMPARE(texts().last(), QStringLiteral("Successfully added to record !"));
    QCOMPARE(m_status, QStringList{QStringLiteral("Successfully added 2 items to database!")});
    QCOMPARE(m_progress, QList<int>({25, 50, 100}));
}

void TestScanRowImport::macIsMatchedWithoutRegardToCase_data()
{
    QTest::addColumn<int>("matchBy");
    QTest::addColumn<int>("recordsAfter");
    QTest::addColumn<int>("questions");
    QTest::newRow("match MAC") << int(MatchBy::MacAddress) << 1 << 1;
    // Matched by IP, the MAC is not probed: a second record with that MAC.
    QTest::newRow("match IP") << int(MatchBy::IpAddress) << 2 << 0;
}

void TestScanRowImport::macIsMatchedWithoutRegardToCase()
{
    QFETCH(int, matchBy);
    QFETCH(int, recordsAfter);
    QFETCH(int, questions);
    m_f->add(QStringLiteral("198.18.0.1"), QStringLiteral("00-0a-e4-20-53-5f"));
    m_f->prompt().queueAnswer(PromptAnswer::Yes);
    const auto outcome = run({row(QStringLiteral("198.18.0.9"), QStringLiteral("00-0A-E4-20-53-5F"))},
                             MatchBy(matchBy), OnDuplicate::Ask);
    QVERIFY(outcome);
    QCOMPARE(outcome->count, 1);
    QCOMPARE(m_f->prompt().requests().size(), questions + 1); // and the closing message
    const QList<PresetRecord> stored = records();
    QCOMPARE(stored.size(), recordsAfter);
    QCOMPARE(stored.last().macAddress, QStringLiteral("00-0A-E4-20-53-5F"));
    QCOMPARE(stored.last().ipAddress, QStringLiteral("198.18.0.9"));
}

void TestScanRowImport::sameAddressTwiceInOneRun_data()
{
    QTest::addColumn<OnDuplicate>("onDuplicate");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("host"); // of the one record afterwards
    QTest::newRow("skip") << OnDuplicate::Skip << -1 << 1 << "first";
    QTest::newRow("overwrite counts as added") << OnDuplicate::Overwrite << -1 << 2 << "second";
    QTest::newRow("ask, Yes") << OnDuplicate::Ask << int(PromptAnswer::Yes) << 2 << "second";
    QTest::newRow("ask, No") << OnDuplicate::Ask << int(PromptAnswer::No) << 1 << "first";
}

void TestScanRowImport::sameAddressTwiceInOneRun()
{
    QFETCH(OnDuplicate, onDuplicate);
    QFETCH(int, answer);
    QFETCH(int, count);
    QFETCH(QString, host);
    if (answer >= 0)
        m_f->prompt().queueAnswer(PromptAnswer(answer));
    const auto outcome = run(
        {row(QStringLiteral("198.18.0.5"), QStringLiteral("00-0A-E4-00-01-01"), QStringLiteral("first")),
         row(QStringLiteral("198.18.0.5"), QStringLiteral("00-0A-E4-00-01-02"), QStringLiteral("second"))},
        MatchBy::IpAddress, onDuplicate);
    QVERIFY(outcome);
    QCOMPARE(outcome->count, count);
    const QList<PresetRecord> stored = records();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().hostName, host);
    QCOMPARE(m_f->prompt().requests().size(), answer >= 0 ? 2 : 1);
}

void TestScanRowImport::progressFollowsTheTickedRows_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QList<int>>("progress");
    QTest::newRow("only the last of ten") << 10 << QList<int>{9} << QList<int>{100, 100};
    QTest::newRow("two of four") << 4 << QList<int>{0, 2} << QList<int>{25, 75, 100};
    QTest::newRow("thirds") << 3 << QList<int>{0, 1, 2} << QList<int>{33, 67, 100, 100};
    QTest::newRow("halves round to even") << 8 << QList<int>{0, 2} << QList<int>{12, 38, 100};
    QTest::newRow("none ticked") << 3 << QList<int>{} << QList<int>{100};
}

void TestScanRowImport::progressFollowsTheTickedRows()
{
    QFETCH(int, rowCount);
    QFETCH(QList<int>, ticked);
    QFETCH(QList<int>, progress);
    QList<ScanRow> rows;
    for (int k = 0; k < rowCount; ++k)
        rows.append(row(QStringLiteral("198.18.1.%1").arg(k), QStringLiteral("00-0A-E4-00-01-0%1").arg(k)));
    ScanRowImport rowImport(m_f->store(), m_f->prompt());
    rowImport.setProgressHandler([this](int percent) { m_progress.append(percent); });
    const auto outcome = rowImport.run(rows, ticked, {MatchBy::IpAddress, OnDuplicate::Skip});
    QVERIFY(outcome);
    QCOMPARE(m_progress, progress);
    QCOMPARE(outcome->count, ticked.size());
    QStringList stored;
    for (const PresetRecord &record : records())
        stored.append(record.ipAddress);
    QStringList expected;
    for (int k : ticked)
        expected.append(rows.at(k).ipAddress);
    QCOMPARE(stored, expected);
}

void TestScanRowImport::storeFailureWritesNothing()
{
    m_f->add(QStringLiteral("198.18.0.1"), QStringLiteral("M1"), QStringLiteral("kept"));
    QVERIFY(
        m_f->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON T_Record WHEN NEW.HostName = 'boom' "
                                 "BEGIN SELECT RAISE(ABORT, 'the disk is full'); END")));
    const auto outcome =
        run({row(QStringLiteral("198.18.0.1"), QStringLiteral("00-0A-E4-00-01-09"), QStringLiteral("over")),
             row(QStringLiteral("198.18.0.2"), QStringLiteral("00-0A-E4-00-01-02"), QStringLiteral("two")),
             row(QStringLiteral("198.18.0.3"), QStringLiteral("00-0A-E4-00-01-03"), QStringLiteral("boom"))},
            MatchBy::IpAddress, OnDuplicate::Overwrite);
    QVERIFY(!outcome);
    QVERIFY2(outcome.error().contains(QStringLiteral("the disk is full")), qPrintable(outcome.error()));
    QCOMPARE(records().size(), 1);
    QCOMPARE(records().first().hostName, QStringLiteral("kept"));
    // Reported once, as an error; no status line and no closing message.
    QCOMPARE(m_f->prompt().requests().size(), 1);
    QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
    QCOMPARE(m_f->prompt().lastRequest().text, outcome.error());
    QVERIFY(m_status.isEmpty());
}

QTEST_GUILESS_MAIN(TestScanRowImport)
#include "TestScanRowImport.moc"
