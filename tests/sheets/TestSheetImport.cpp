#include <QSignalSpy>
#include <QTest>

#include "sheets/RecordSheet.h"
#include "sheets/SheetImport.h"
#include "tests/support/RecordFixture.h"

// The import run on a real record store: the duplicate policies, the
// question, Cancel, the status line and the closing message; and which
// sheets have the record layout.
class TestSheetImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void recordSheet_data();
    void recordSheet();
    void policies_data();
    void policies();
    void question_data();
    void question();
    void failedWrite();

private:
    std::unique_ptr<RecordFixture> m_fixture;
};

namespace {

// "ip|mac|host" <-> a record with those three fields.
PresetRecord record(const QString &text)
{
    return PresetRecord::fromFields(text.split(QLatin1Char('|')));
}

QStringList stored(RecordStore &store)
{
    QStringList texts;
    const Result<QList<PresetRecord>> all = store.loadAll();
    if (!all)
        return {all.error()};
    for (const PresetRecord &r : *all)
        texts.append(r.fields().mid(0, 3).join(QLatin1Char('|')));
    return texts;
}

// Rows one after another from row 0, as a reader lays them out.
SheetGrid grid(int columns, const QList<QStringList> &rows)
{
    SheetGridBuilder builder;
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c)
            builder.add(r, c, rows.at(r).at(c));
    }
    SheetGrid g = builder.take();
    g.columnCount = columns;
    return g;
}

} // namespace

void TestSheetImport::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->isValid());
}

void TestSheetImport::recordSheet_data()
{
    const QStringList header = {"ID",   "IPAddress",  "MACAddress", "HostName",     "Workgroup",
                                "User", "Department", "Location",   "laninterface", "Comments"};
    const QStringList full = {"7", "10.0.0.1", "00-0A-E4-20-53-55", "h", "w", "u", "d", "l", "i", "c"};
    QTest::addColumn<SheetGrid>("sheet");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("records"); // each record's nine fields joined by "|"

    QTest::newRow("ten columns") << grid(10, {header, full}) << true << header
                                 << QStringList{full.mid(1).join(QLatin1Char('|'))};
    QTest::newRow("eleven columns") << grid(11, {header, full}) << false << QStringList() << QStringList();
    QTest::newRow("nine columns") << grid(9, {header, full}) << false << QStringList() << QStringList();
    QTest::newRow("nothing at all") << SheetGrid() << false << QStringList() << QStringList();
    QStringList renamed = {"No", "Address", "Hardware", "", "Group", "Who", "Dept", "Where", "Port", ""};
    QStringList named = renamed;
    named[3] = QStringLiteral("F4");
    named[9] = QStringLiteral("F10");
    QTest::newRow("other names, empty ones named by position")
        << grid(10, {renamed, full}) << true << named << QStringList{full.mid(1).join(QLatin1Char('|'))};
    QTest::newRow("header only") << grid(10, {header}) << true << header << QStringList();
    const QStringList empty(10);
    QTest::newRow("empty rows are no records") << grid(10, {header, empty, full, empty, empty}) << true
                                               << header << QStringList{full.mid(1).join(QLatin1Char('|'))};
}

void TestSheetImport::recordSheet()
{
    QFETCH(SheetGrid, sheet);
    QFETCH(bool, accepted);
    QFETCH(QStringList, names);
    QFETCH(QStringList, records);
    const std::optional<RecordSheet> layout = RecordSheet::fromGrid(sheet);
    QCOMPARE(layout.has_value(), accepted);
    if (!layout)
        return;
    QCOMPARE(layout->columnNames(), names);
    QStringList got;
    for (int r = 0; r < layout->rowCount(); ++r) {
        QCOMPARE(layout->row(r).size(), RecordSheet::ColumnCount);
        got.append(layout->record(r).fields().join(QLatin1Char('|')));
    }
    QCOMPARE(got, records);
}

void TestSheetImport::policies_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("matchMac");
    QTest::addColumn<SheetImport::OnDuplicate>("policy");
    QTest::addColumn<QList<PromptAnswer>>("answers");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("questions");

    using P = SheetImport::OnDuplicate;
    const QString a = QStringLiteral("10.0.0.1|00-0A-E4-20-53-01|old");
    QTest::newRow("new rows are added")
        << QStringList() << QStringList{a, "10.0.0.2|00-0A-E4-20-53-02|b"} << false << P::Skip
        << QList<PromptAnswer>() << 2 << QStringList{a, "10.0.0.2|00-0A-E4-20-53-02|b"} << 0;
    QTest::newRow("skip keeps the holder")
        << QStringList{a} << QStringList{"10.0.0.1|00-0A-E4-20-53-09|new"} << false << P::Skip
        << QList<PromptAnswer>() << 0 << QStringList{a} << 0;
    QTest::newRow("overwrite replaces every field, empty ones too")
        << QStringList{a} << QStringList{"10.0.0.1|00-0A-E4-20-53-09|"} << false << P::Overwrite
        << QList<PromptAnswer>() << 1 << QStringList{"10.0.0.1|00-0A-E4-20-53-09|"} << 0;
    QTest::newRow("match IP does not probe the MAC")
        << QStringList{a} << QStringList{"10.0.0.2|00-0A-E4-20-53-01|twin"} << false << P::Skip
        << QList<PromptAnswer>() << 1 << QStringList{a, "10.0.0.2|00-0A-E4-20-53-01|twin"} << 0;
    QTest::newRow("match MAC ignores letter case")
        << QStringList{"10.0.0.1|00-0a-e4-20-53-0f|old"} << QStringList{"10.0.0.7|00-0A-E4-20-53-0F|new"}
        << true << P::Overwrite << QList<PromptAnswer>() << 1 << QStringList{"10.0.0.7|00-0A-E4-20-53-0F|new"}
        << 0;
    QTest::newRow("match MAC, two rows of one MAC, overwrite")
        << QStringList()
        << QStringList{"10.0.0.1|00-0A-E4-20-53-55|first", "10.0.0.2|00-0A-E4-20-53-55|second"} << true
        << P::Overwrite << QList<PromptAnswer>() << 2 << QStringList{"10.0.0.2|00-0A-E4-20-53-55|second"}
        << 0;
    QTest::newRow("ask, yes overwrites")
        << QStringList{a} << QStringList{"10.0.0.1|00-0A-E4-20-53-09|new"} << false << P::Ask
        << QList<PromptAnswer>{PromptAnswer::Yes} << 1 << QStringList{"10.0.0.1|00-0A-E4-20-53-09|new"} << 1;
    QTest::newRow("ask, no skips") << QStringList{a} << QStringList{"10.0.0.1|00-0A-E4-20-53-09|new"} << false
                                   << P::Ask << QList<PromptAnswer>{PromptAnswer::No} << 0 << QStringList{a}
                                   << 1;
    QTest::newRow("ask, cancel keeps the rows before it")
        << QStringList{a}
        << QStringList{"10.0.0.5|00-0A-E4-20-53-05|before", "10.0.0.1|00-0A-E4-20-53-09|asked",
                       "10.0.0.6|00-0A-E4-20-53-06|after"}
        << false << P::Ask << QList<PromptAnswer>{PromptAnswer::Cancel} << 1
        << QStringList{a, "10.0.0.5|00-0A-E4-20-53-05|before"} << 1;
    QTest::newRow("ask about a row added earlier in the run")
        << QStringList() << QStringList{"10.0.0.1|00-0A-E4-20-53-01|one", "10.0.0.1|00-0A-E4-20-53-02|two"}
        << false << P::Ask << QList<PromptAnswer>{PromptAnswer::Yes} << 2
        << QStringList{"10.0.0.1|00-0A-E4-20-53-02|two"} << 1;
    QTest::newRow("no rows") << QStringList{a} << QStringList() << false << P::Ask << QList<PromptAnswer>()
                             << 0 << QStringList{a} << 0;
}

void TestSheetImport::policies()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, rows);
    QFETCH(bool, matchMac);
    QFETCH(SheetImport::OnDuplicate, policy);
    QFETCH(QList<PromptAnswer>, answers);
    QFETCH(int, count);
    QFETCH(QStringList, after);
    QFETCH(int, questions);

    for (const QString &text : existing) {
        const PresetRecord r = record(text);
        m_fixture->add(r.ipAddress, r.macAddress, r.hostName);
    }
    QList<PresetRecord> records;
    for (const QString &text : rows)
        records.append(record(text));
    ScriptedPrompt &prompt = m_fixture->prompt();
    for (PromptAnswer answer : answers)
        prompt.queueAnswer(answer);

    SheetImport run(m_fixture->store(), prompt);
    QSignalSpy status(&run, &SheetImport::statusChanged);
    QSignalSpy progress(&run, &SheetImport::progressChanged);
    const auto requestsAtStatus = std::make_shared<qsizetype>(-1);
    connect(&run, &SheetImport::statusChanged, this, [&] { *requestsAtStatus = prompt.requests().size(); });
    const SheetImport::Outcome outcome =
        run.run(records, matchMac ? BatchItem::MatchBy::MacAddress : BatchItem::MatchBy::IpAddress, policy);

    QVERIFY(!outcome.failed);
    QCOMPARE(outcome.count, count);
    QCOMPARE(outcome.cancelled, answers.contains(PromptAnswer::Cancel));
    QCOMPARE(stored(m_fixture->store()), after);
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.first().first().toString(), SheetImport::statusLine(count));
    QVERIFY(status.first().first().toString().startsWith(QStringLiteral("Imported %1 records;").arg(count)));
    QCOMPARE(progress.last().first().toInt(), 100);
    // Once a row in every mode, from 0 (fewer than a hundred rows here).
    if (!outcome.cancelled)
        QCOMPARE(progress.size(), 1 + qMax(records.size(), 1));
    // The questions, then the status line, then the closing message.
    QCOMPARE(prompt.requests().size(), questions + 1);
    QCOMPARE(*requestsAtStatus, questions);
    const PromptRequest closing = prompt.lastRequest();
    QCOMPARE(closing.text, QString::fromLatin1(SheetImport::ClosingText));
    QCOMPARE(closing.title, QStringLiteral("Notice"));
    QCOMPARE(closing.icon, PromptIcon::Exclamation);
    QCOMPARE(closing.buttons, PromptButtons::Ok);
}

void TestSheetImport::question_data()
{
    QTest::addColumn<bool>("matchMac");
    QTest::addColumn<QString>("text");
    const QString tail = QStringLiteral(
        " already exists. Still continue to import?\r\nClick Yes to overwrite the "
        "existing record, No to skip, Cancel to exit this wizard");
    QTest::newRow("match IP") << false << QStringLiteral("Record IPAddress='10.0.0.1'") + tail;
    QTest::newRow("match MAC") << true << QStringLiteral("Record MACAddress='00-0A-E4-20-53-55'") + tail;
}

void TestSheetImport::question()
{
    QFETCH(bool, matchMac);
    QFETCH(QString, text);
    m_fixture->add(QStringLiteral("10.0.0.1"), QStringLiteral("00-0A-E4-20-53-55"));
    SheetImport run(m_fixture->store(), m_fixture->prompt());
    run.run({record(QStringLiteral("10.0.0.1|00-0A-E4-20-53-55|x"))},
            matchMac ? BatchItem::MatchBy::MacAddress : BatchItem::MatchBy::IpAddress,
            SheetImport::OnDuplicate::Ask);
    const PromptRequest asked = m_fixture->prompt().requests().first();
    QCOMPARE(asked.text, text);
    QCOMPARE(asked.title, QStringLiteral("Notice"));
    QCOMPARE(asked.buttons, PromptButtons::YesNoCancel);
    QCOMPARE(asked.defaultAnswer, PromptAnswer::No);
    QCOMPARE(asked.icon, PromptIcon::Information);
}

void TestSheetImport::failedWrite()
{
    // A folder where the database file should be: nothing can be written.
    QVERIFY(QDir().mkpath(m_fixture->databasePath()));
    SheetImport run(m_fixture->store(), m_fixture->prompt());
    QSignalSpy status(&run, &SheetImport::statusChanged);
    const SheetImport::Outcome outcome = run.run({record(QStringLiteral("10.0.0.1|00-0A-E4-20-53-55|x"))},
                                                 BatchItem::MatchBy::IpAddress,
                                                 SheetImport::OnDuplicate::Overwrite);
    QVERIFY(outcome.failed);
    QCOMPARE(outcome.count, 0);
    QCOMPARE(status.size(), 0);
    QCOMPARE(m_fixture->prompt().requests().size(), 1);
    QCOMPARE(m_fixture->prompt().lastRequest().title, QStringLiteral("Error"));
}

QTEST_GUILESS_MAIN(TestSheetImport)
#include "TestSheetImport.moc"
