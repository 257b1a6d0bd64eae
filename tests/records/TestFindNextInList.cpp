#include "lists/ScanListModel.h"
#include "records/FindNextInList.h"
#include "tests/support/RecordFixture.h"

#include <QTest>

Q_DECLARE_METATYPE(FindDirection)

class TestFindNextInList : public QObject
{
    Q_OBJECT

private slots:
    void walk_data();
    void walk();
    void scanListAndStart();
};

// One record list for every row: rows 1..4 (1-based).
static void fill(RecordListModel &list)
{
    list.setRecords({PresetRecord::fromFields({"10.0.0.1", "00-00-00-00-00-01", "ABC-PC"}, 7),
                     PresetRecord::fromFields({"10.0.0.12", "00-00-00-00-00-02", "other", {}, "jdoe"}, 8),
                     PresetRecord::fromFields({"192.168.5.5", "00-00-00-00-00-03"}, 345),
                     PresetRecord::fromFields({"10.0.0.3", "00-00-00-00-00-04", "abc-pc"}, 9)});
}

void TestFindNextInList::walk_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<FindDirection>("direction");
    QTest::addColumn<int>("start");          // current row, 0-based, -1 none
    QTest::addColumn<QList<int>>("results"); // one per press
    QTest::addColumn<int>("endMessages");

    const auto down = FindDirection::Down;
    const auto up = FindDirection::Up;
    QTest::newRow("substring walks, then end")
        << "10.0.0" << false << false << down << -1 << QList<int>{1, 2, 4, 0, 0} << 2;
    QTest::newRow("whole words") << "10.0.0.1" << true << false << down << -1 << QList<int>{1, 0} << 1;
    QTest::newRow("case ignored") << "abc" << false << false << down << -1 << QList<int>{1, 4, 0} << 1;
    QTest::newRow("match case") << "abc" << false << true << down << -1 << QList<int>{4, 0} << 1;
    QTest::newRow("later column") << "JDOE" << false << false << down << -1 << QList<int>{2} << 0;
    QTest::newRow("hidden ID column") << "345" << true << false << down << -1 << QList<int>{3} << 0;
    QTest::newRow("up from the first row: silent") << "10" << false << false << up << 0 << QList<int>{0} << 0;
    QTest::newRow("up walks back") << "10.0.0" << false << false << up << 3 << QList<int>{2, 1, 0} << 0;
    QTest::newRow("down from the last row") << "10" << false << false << down << 3 << QList<int>{0} << 1;
    QTest::newRow("running number column") << "3" << true << false << down << -1 << QList<int>{3} << 0;
}

void TestFindNextInList::walk()
{
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QFETCH(bool, matchCase);
    QFETCH(FindDirection, direction);
    QFETCH(int, start);
    QFETCH(QList<int>, results);
    QFETCH(int, endMessages);

    RecordFixture fixture;
    RecordListModel &list = fixture.list();
    fill(list);
    list.setCurrentRow(start);
    ScriptedPrompt &prompt = fixture.prompt();
    int current = start;
    for (int expected : results) {
        QCOMPARE(FindNextInList(list, text, whole, matchCase, direction, prompt), expected);
        if (expected > 0)
            current = expected - 1;
        QCOMPARE(list.currentRow(), current); // a failed search keeps the highlight
    }
    QCOMPARE(prompt.requests().size(), endMessages);
    for (const PromptRequest &r : prompt.requests()) {
        QCOMPARE(r.text,
                 QString::fromUtf8("\xe5\xb7\xb2\xe6\x90\x9c\xe7\xb4\xa2\xe6\x8c\x87\xe5\xae\x9a\xe5\x8c\xba"
                                   "\xe5\x9f\x9f!"));
        QCOMPARE(r.title, QStringLiteral("Notice"));
        QCOMPARE(r.icon, PromptIcon::Exclamation);
    }
}

void TestFindNextInList::scanListAndStart()
{
    RecordFixture fixture;
    ScanListModel scan;
    ProgramState &state = fixture.state();
    QVERIFY(!StartFind(scan, ProgramState::FindScanList, state));
    QCOMPARE(state.FindTarget, qint16(ProgramState::FindRecordList));

    scan.appendScanRow({"1", "10.0.0.1", "00-00-00-00-00-01", "host-a", "WG", "Vendor", 1, {}});
    scan.appendScanRow({{}, "10.0.0.2", "Non-Responded IP", {}, {}, {}, 2, {}});
    scan.setCurrentRow(1);
    QVERIFY(StartFind(scan, ProgramState::FindScanList, state));
    QCOMPARE(state.FindTarget, qint16(ProgramState::FindScanList));
    ScriptedPrompt &prompt = fixture.prompt();
    // The first search downward examines the first row too.
    QCOMPARE(FindNextInList(scan, "10.0.0", false, false, FindDirection::Down, prompt), 1);
    QCOMPARE(FindNextInList(scan, "non-responded", false, false, FindDirection::Down, prompt), 2);
    QVERIFY(prompt.requests().isEmpty());

    ScanListModel empty;
    QCOMPARE(FindNextInList(empty, "x", false, false, FindDirection::Down, prompt), 0);
    QVERIFY(prompt.requests().isEmpty());
}

QTEST_GUILESS_MAIN(TestFindNextInList)
#include "TestFindNextInList.moc"
