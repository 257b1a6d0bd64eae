#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"

#include <QFile>
#include <QTest>

// netkestrel-cli records import-scan, run as a script runs it: every row of
// a scan result file into the records, the duplicate options, and what it
// prints and returns when it cannot.
class TestImportScanCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void rowsOfTheFileAreAdded();
    void refusals_data();
    void refusals();

private:
    QString writeFile(const QByteArray &bytes);
    CliProcess::Run run(QStringList arguments);
    QStringList stored();

    std::unique_ptr<RecordFixture> m_f;
};

namespace {

// Three rows as the window saves them, a silent host among them.
const char ThreeRows[] =
    "\"1\",\"198.18.5.1\",\"00-0A-E4-00-05-01\",\"pc-one\",\"WORKGROUP\",\"Vendor A\"\r\n"
    "\"\",\"198.18.5.2\",\"Non-Responded IP\",\"\",\"\",\"\"\r\n"
    "\"2\",\"198.18.5.3\",\"00-0a-e4-00-05-03\",\"pc-three\",\"LAB\",\"Vendor B\"\r\n";

const char BadRow[] = "\"3\",\"198.18.5.4\",\"ZZ-00-00-00-00-01\",\"pc-four\",\"LAB\",\"\"\r\n";

const QString Closing = QStringLiteral("Notice: Successfully added to record !\n");

} // namespace

void TestImportScanCli::initTestCase()
{
    QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
}

void TestImportScanCli::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
}

QString TestImportScanCli::writeFile(const QByteArray &bytes)
{
    const QString path = m_f->filePath(QStringLiteral("scan.kst"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

CliProcess::Run TestImportScanCli::run(QStringList arguments)
{
    arguments.prepend(QStringLiteral("import-scan"));
    arguments.prepend(QStringLiteral("records"));
    arguments << QStringLiteral("--data-dir") << m_f->folder();
    return CliProcess::run(arguments, 30000);
}

// The four fields a scan gives of each record, as "IP|MAC|host|workgroup".
QStringList TestImportScanCli::stored()
{
    QStringList lines;
    const Result<QList<PresetRecord>> records = m_f->store().loadAll();
    if (!records)
        return {records.error()};
    for (const PresetRecord &record : *records)
        lines.append(record.fields().mid(0, 4).join(QLatin1Char('|')));
    return lines;
}

void TestImportScanCli::rowsOfTheFileAreAdded()
{
    // The silent host's row reserves its address as it stands; the lower-case
    // MAC is stored as the scans write it, and a MAC no card has is left out.
    const CliProcess::Run r = run({writeFile(QByteArray(ThreeRows) + BadRow)});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("Successfully added 3 items to database!\n"));
    QCOMPARE(r.err, Closing + QStringLiteral("1 row was skipped: invalid MAC address in row 4.\n"));
    QCOMPARE(stored(),
             QStringList({"198.18.5.1|00-0A-E4-00-05-01|pc-one|WORKGROUP", "198.18.5.2|Non-Responded IP||",
                          "198.18.5.3|00-0A-E4-00-05-03|pc-three|LAB"}));

    // A second run finds every row a duplicate and, by default, skips it.
    const CliProcess::Run again = run({writeFile(ThreeRows)});
    QCOMPARE(again.status, 0);
    QCOMPARE(again.out, QStringLiteral("Successfully added 0 items to database!\n"));
    QCOMPARE(stored().size(), 3);

    // By MAC, whatever its letter case, overwriting the four fields.
    const QByteArray renamed = QByteArray(ThreeRows).replace("pc-three", "renamed");
    const CliProcess::Run byMac = run({writeFile(renamed), "--match", "mac", "--on-duplicate", "overwrite"});
    QCOMPARE(byMac.status, 0);
    QCOMPARE(byMac.out, QStringLiteral("Successfully added 3 items to database!\n"));
    QCOMPARE(stored().size(), 3);
    QCOMPARE(stored().last(), QStringLiteral("198.18.5.3|00-0A-E4-00-05-03|renamed|LAB"));
}

void TestImportScanCli::refusals_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file there
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // in the message on standard error

    const QByteArray rows(ThreeRows);
    QTest::newRow("no such file") << QByteArray() << QStringList() << 1 << "cannot be opened";
    QTest::newRow("ends inside a record")
        << rows + "\"3\",\"198.18.5.4\"" << QStringList() << 1 << "ends in the middle of a record";
    QTest::newRow("unknown match") << rows << QStringList{"--match", "host"} << 2
                                   << "--match takes ip or mac";
    QTest::newRow("ask has nobody to ask")
        << rows << QStringList{"--on-duplicate", "ask"} << 2 << "--on-duplicate takes skip or overwrite";
    QTest::newRow("two files") << rows << QStringList{"other.kst"} << 2 << "takes one scan result file";
}

void TestImportScanCli::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, said);
    const QString path = file.isEmpty() ? m_f->filePath(QStringLiteral("missing.kst")) : writeFile(file);

    const CliProcess::Run r = run(QStringList{path} + options);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    // Nothing of a refused file reaches the records, not even its first rows.
    QCOMPARE(stored(), QStringList());
}

QTEST_GUILESS_MAIN(TestImportScanCli)
#include "TestImportScanCli.moc"
