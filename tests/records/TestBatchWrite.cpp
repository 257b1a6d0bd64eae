// A batch written at once ends as its items written one batch each, in
// order: the same decisions, IDs and table, NULLs included, on either engine.
#include "records/RecordStoreSession.h"
#include "records/ServerBatchWrite.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/StoreEngines.h"

#include <QRandomGenerator>
#include <QTest>

class TestBatchWrite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void init();
    void wholeBatchEndsAsItemsOneByOne_data();
    void wholeBatchEndsAsItemsOneByOne();
    void emptyBatchWritesNothing();
    void onlyServerWritesAtOnce();

private:
    std::unique_ptr<RecordFixture> fixture();

    StoreEngines m_engines;
};

namespace {

// Keys that differ in case only, a shared prefix, empty text, the word NULL,
// quotes, a backslash, braces and a comma; the last two with letters beyond
// ASCII, which not every server lower-cases as Qt does.
const char *const Keys[] = {"10.0.0.1",  "10.0.0.10",   "aa-bb-cc",   "AA-BB-CC", "Aa-bB-Cc",
                            "",          "NULL",        "k-1",        "K-1",      "a\"b\\c",
                            "{x,y} 'q'", "\xc3\x84-01", "\xc3\xa4-01"};
constexpr int AsciiKeys = int(std::size(Keys)) - 2;

// Field texts that a bulk transfer must carry unchanged: its separators and
// escapes, its end-of-data line and its NULL marker, as text.
const char *const Awkward[] = {"tab\there", "line\nbreak", "cr\rlf\r\n", "back\\slash",          "\\N", "\\.",
                               "NULL",      "q\"u'o",      "{a,b}",      "\xc3\x84 \xe2\x82\xac"};

// A record of keys from the first `keys` and some fields; the fields past
// `filled` are null.
PresetRecord record(QRandomGenerator &random, int keys, int n)
{
    QStringList fields{QString::fromUtf8(Keys[random.bounded(keys)]),
                       QString::fromUtf8(Keys[random.bounded(keys)])};
    const int filled = random.bounded(2, PresetRecord::FieldCount + 1);
    for (int k = 2; k < filled; ++k) {
        switch (random.bounded(4)) {
        case 0:
            fields.append(QStringLiteral(""));
            break;
        case 1:
            fields.append(QString::fromUtf8(Awkward[random.bounded(int(std::size(Awkward)))]));
            break;
        default:
            fields.append(QStringLiteral("f%1-%2").arg(k).arg(n));
        }
    }
    return PresetRecord::fromFields(fields);
}

// One line per record, every column, NULL told apart from empty text.
QStringList table(const RecordFixture &f)
{
    QStringList parts{QStringLiteral("ID")};
    for (const char *column : {"IPAddress", "MACAddress", "HostName", "Workgroup", "\"User\"", "Department",
                               "Location", "laninterface", "Comments"})
        parts.append(QStringLiteral("COALESCE(%1, '<null>')").arg(QLatin1String(column)));
    QStringList lines;
    const QVariantList values = f.column(
        QStringLiteral("SELECT %1 FROM T_Record ORDER BY ID").arg(parts.join(QStringLiteral(" || '|' || "))));
    for (const QVariant &value : values)
        lines.append(value.toString());
    return lines;
}

} // namespace

void TestBatchWrite::initTestCase_data()
{
    StoreEngines::addRows();
}

void TestBatchWrite::init()
{
    if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
}

std::unique_ptr<RecordFixture> TestBatchWrite::fixture()
{
    const Result<PostgresServer *> server = m_engines.server();
    if (!server)
        return nullptr;
    auto f = std::make_unique<RecordFixture>(*server);
    return f->isValid() ? std::move(f) : nullptr;
}

void TestBatchWrite::wholeBatchEndsAsItemsOneByOne_data()
{
    QTest::addColumn<BatchItem::MatchBy>("matchBy");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("keys");   // how many of Keys the records draw from
    QTest::addColumn<int>("stored"); // records there before, keys repeated
    QTest::addColumn<int>("items");

    constexpr auto ByIp = BatchItem::MatchBy::IpAddress;
    constexpr auto ByMac = BatchItem::MatchBy::MacAddress;
    const int all = int(std::size(Keys));
    for (const quint32 seed : {1u, 2u, 3u}) {
        QTest::addRow("by IP, empty store, %u", seed) << ByIp << seed << AsciiKeys << 0 << 40;
        QTest::addRow("by IP, %u", seed) << ByIp << seed << AsciiKeys << 5 << 40;
        QTest::addRow("by MAC, %u", seed) << ByMac << seed << AsciiKeys << 5 << 40;
        QTest::addRow("by IP, beyond ASCII, %u", seed) << ByIp << seed << all << 5 << 40;
        QTest::addRow("by MAC, beyond ASCII, %u", seed) << ByMac << seed << all << 5 << 40;
    }
}

void TestBatchWrite::wholeBatchEndsAsItemsOneByOne()
{
    QFETCH(BatchItem::MatchBy, matchBy);
    QFETCH(quint32, seed);
    QFETCH(int, keys);
    QFETCH(int, stored);
    QFETCH(int, items);

    const std::unique_ptr<RecordFixture> whole = fixture(), oneByOne = fixture();
    QVERIFY(whole && oneByOne);
    QRandomGenerator random(seed);
    for (int n = 0; n < stored; ++n) {
        const PresetRecord r = record(random, keys, n);
        QVERIFY(whole->store().insertRecord(r));
        QVERIFY(oneByOne->store().insertRecord(r));
    }
    QList<BatchItem> batch;
    for (int n = 0; n < items; ++n) {
        BatchItem item;
        item.record = record(random, keys, stored + n);
        item.matchBy = matchBy;
        item.onDuplicate = random.bounded(2) ? BatchItem::OnDuplicate::Overwrite
                                             : BatchItem::OnDuplicate::Skip;
        item.overwrittenFields = random.bounded(1, PresetRecord::FieldCount + 1);
        batch.append(item);
    }

    const Result<BatchOutcome> outcome = whole->store().writeBatch(batch);
    QVERIFY2(outcome, qPrintable(outcome.error()));
    BatchOutcome expected;
    for (const BatchItem &item : std::as_const(batch)) {
        const Result<BatchOutcome> one = oneByOne->store().writeBatch({item});
        QVERIFY2(one, qPrintable(one.error()));
        expected.actions.append(one->actions);
        expected.ids.append(one->ids);
    }
    QCOMPARE(outcome->actions, expected.actions);
    QCOMPARE(outcome->ids, expected.ids);
    QCOMPARE(table(*whole), table(*oneByOne));
    // The batch both added and met duplicates, or it proves little.
    QVERIFY(outcome->added() > 0);
    QVERIFY(outcome->skipped() + outcome->overwritten() > 0);

    // IDs go on rising after a batch.
    const Result<PresetRecord> next = whole->store().insertRecord(PresetRecord::fromFields({"10.9.9.9"}));
    QVERIFY(next);
    QVERIFY(next->id > *std::max_element(outcome->ids.cbegin(), outcome->ids.cend()));
}

void TestBatchWrite::emptyBatchWritesNothing()
{
    const std::unique_ptr<RecordFixture> f = fixture();
    QVERIFY(f);
    const Result<BatchOutcome> outcome = f->store().writeBatch({});
    QVERIFY2(outcome, qPrintable(outcome.error()));
    QVERIFY(outcome->actions.isEmpty() && outcome->ids.isEmpty());
    QVERIFY(table(*f).isEmpty());
}

// The whole-batch path is the one compared above: a server takes a batch at
// once, a file declines it.
void TestBatchWrite::onlyServerWritesAtOnce()
{
    const std::unique_ptr<RecordFixture> f = fixture();
    QVERIFY(f);
    QList<BatchItem> batch;
    for (const char *ip : {"10.0.0.1", "10.0.0.2", "10.0.0.1"})
        batch.append(BatchItem{PresetRecord::fromFields({QLatin1String(ip), QStringLiteral("tab\there")})});
    RecordStoreSession session(f->store());
    QVERIFY2(session.isOpen(), qPrintable(session.error()));
    QVERIFY(session.beginWrite());
    const Result<std::optional<BatchOutcome>> outcome = ServerBatchWrite(session.db()).run(batch);
    QVERIFY2(outcome, qPrintable(outcome.error()));
    QCOMPARE(outcome->has_value(), StoreEngines::onServer());
    if (StoreEngines::onServer())
        QCOMPARE((*outcome)->actions,
                 QList<BatchOutcome::Action>({BatchOutcome::Action::Added, BatchOutcome::Action::Added,
                                              BatchOutcome::Action::Skipped}));
}

QTEST_GUILESS_MAIN(TestBatchWrite)
#include "TestBatchWrite.moc"
