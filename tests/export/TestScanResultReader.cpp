#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "export/ScanResultFile.h"
#include "export/ScanResultLine.h"
#include "export/ScanResultReader.h"

// Reading scan result files by the reader's field rules.
class TestScanResultReader : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void writtenLinesReadBack();
    void unreadableDevice();
    void originalLayoutLoadsExactly();
    void roundTripThroughFile();
    void savedBytes();
    void failingWriteDevice();
    void unwritablePathKeepsNothing();
    void oversizedRefused();
    void manyEmptyLines();
};

namespace {

// A device whose reads fail after the first chunk.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(QByteArray first) : m_first(std::move(first)) { open(QIODevice::ReadWrite); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_first.isEmpty()) {
            setErrorString(QStringLiteral("I/O error"));
            return -1;
        }
        const qint64 n = qMin(maxSize, qint64(m_first.size()));
        memcpy(data, m_first.constData(), size_t(n));
        m_first.remove(0, n);
        return n;
    }
    qint64 writeData(const char *, qint64) override
    {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }

private:
    QByteArray m_first;
};

ScanResultReader::ReadOutcome readBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ScanResultReader::read(buffer);
}

// Three rows: an answered host with empty fields, a marker row, and a host
// name from the network that holds a quote, a comma and non-ASCII letters.
QList<QStringList> sampleRows()
{
    return {{"1", "198.18.7.10", "00-0A-E4-20-53-55", "", "", ""},
            {"", "198.18.7.11", ScanRow::NonRespondedMarker, "", "", ""},
            {"2", "198.18.7.12", "00-0A-E4-20-53-56", QString::fromUtf8("\"\u00c6r\u00f8\",\"PC\u6771"),
             "OFFICE", "Wistron Corporation"}};
}

QList<ScanRow> scanRowsOf(const QList<QStringList> &table)
{
    QList<ScanRow> rows;
    for (const QStringList &fields : table)
        rows.append(ScanRow::fromFields(fields));
    return rows;
}

} // namespace

void TestScanResultReader::fields_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<bool>("error");

    const QStringList a = {"1", "198.18.7.10", "00-0A-E4-20-53-55", "PC-ACCOUNTS", "OFFICE", ""};
    QTest::newRow("empty file") << QByteArray() << QList<QStringList>{} << false;
    QTest::newRow("written line")
        << QByteArray("\"1\",\"198.18.7.10\",\"00-0A-E4-20-53-55\",\"PC-ACCOUNTS\",\"OFFICE\",\"\"\r\n")
        << QList<QStringList>{a} << false;
    QTest::newRow("no final line end, LF ends")
        << QByteArray(
               "\"1\",\"198.18.7.10\",\"00-0A-E4-20-53-55\",\"PC-ACCOUNTS\",\"OFFICE\",\"\"\n\"\",\"a\",\"Non-Responded IP\",\"\",\"\",\"\"")
        << QList<QStringList>{a, {"", "a", "Non-Responded IP", "", "", ""}} << false;
    QTest::newRow("unquoted: leading blanks skipped, trailing dropped")
        << QByteArray(" \t1 ,198.18.7.10\t, x y  ,,,\r\n")
        << QList<QStringList>{{"1", "198.18.7.10\t", "x y", "", "", ""}} << false;
    QTest::newRow("after a closing quote dropped")
        << QByteArray("\"1\"junk,\"a\"b\",c,d,e,f\r\n") << QList<QStringList>{{"1", "a", "c", "d", "e", "f"}}
        << false;
    QTest::newRow("doubled quote is one quote")
        << QByteArray("\"1\",\"a\"\"b\",\"\"\"\"\"\",\"x\"\",\"\"y\",\"\",\"\"\r\n")
        << QList<QStringList>{{"1", "a\"b", "\"\"", "x\",\"y", "", ""}} << false;
    QTest::newRow("Windows-1252 when not UTF-8")
        << QByteArray("\"1\",\"a\",\"b\",\"\xc6r\xf8\x80\",\"\",\"\"\r\n")
        << QList<QStringList>{{"1", "a", "b", QString::fromUtf8("\u00c6r\u00f8\u20ac"), "", ""}} << false;
    QTest::newRow("UTF-8 mark dropped")
        << QByteArray("\xef\xbb\xbf\"1\",\"a\",\"b\",\"\xc3\x86\",\"\",\"\"\r\n")
        << QList<QStringList>{{"1", "a", "b", QString::fromUtf8("\u00c6"), "", ""}} << false;
    QTest::newRow("ends inside a quoted field: rows before kept")
        << QByteArray("1,2,3,4,5,6\r\n\"7\",\"8\",\"9\",\"10\",\"11\",\"12")
        << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}} << true;
    QTest::newRow("a record across lines")
        << QByteArray("1,2,3\r4,5,6\r\n") << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}} << false;
    QTest::newRow("final empty field after a comma")
        << QByteArray("1,2,3,4,5,") << QList<QStringList>{{"1", "2", "3", "4", "5", ""}} << false;
    QTest::newRow("trailing blank lines") << QByteArray("1,2,3,4,5,6\r\n\r\n  \r\n")
                                          << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}} << false;
    QTest::newRow("empty and blank lines between records passed over")
        << QByteArray("\r\n \t\n1,2,3,4,5,6\r\n\r\n\n  \r\n7,8,9,10,11,12\n")
        << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}, {"7", "8", "9", "10", "11", "12"}} << false;
    QTest::newRow("a comma before the line end: the next record starts empty")
        << QByteArray("1,2,3,4,5,6,\n8,9,10,11,12\n")
        << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}, {"", "8", "9", "10", "11", "12"}} << false;
    QTest::newRow("ends mid-record: rows before kept")
        << QByteArray("1,2,3,4,5,6\r\n7,8\r\n") << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}} << true;
}

void TestScanResultReader::fields()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QStringList>, rows);
    QFETCH(bool, error);

    const ScanResultReader::ReadOutcome result = readBytes(content);
    QList<QStringList> read;
    for (const ScanRow &row : result.rows)
        read.append(row.fields());
    QCOMPARE(read, rows);
    QCOMPARE(!result.ok(), error);
}

void TestScanResultReader::writtenLinesReadBack()
{
    const QStringList answered = {"1", "198.18.7.10",        "00-0A-E4-20-53-55", "Ærø-PC",
                                  "",  "Wistron Corporation"};
    const QStringList silent = {"", "198.18.7.11", "Non-Responded IP", "", "", ""};
    const ScanResultReader::ReadOutcome result =
        readBytes(ScanResultLine::format(answered) + ScanResultLine::format(silent));
    QVERIFY(result.ok());
    QCOMPARE(result.rows.size(), 2);
    QCOMPARE(result.rows.at(0).fields(), answered);
    QCOMPARE(result.rows.at(1).fields(), silent);
    QCOMPARE(result.rows.at(0).iconIndex, ScanRow::AnsweredIcon);
    QCOMPARE(result.rows.at(1).iconIndex, ScanRow::SilentIcon);
}

void TestScanResultReader::unreadableDevice()
{
    FailingDevice device(ScanResultLine::format({"1", "a", "b", "c", "d", "e"}));
    const ScanResultReader::ReadOutcome result = ScanResultReader::read(device);
    QVERIFY(!result.ok());
    QVERIFY(result.error.contains(QLatin1String("I/O error")));
    QCOMPARE(result.rows.size(), 1);
}

void TestScanResultReader::originalLayoutLoadsExactly()
{
    // As the first version of the format wrote it, byte for byte.
    const QByteArray file =
        "\"1\",\"192.168.0.10\",\"00-0A-E4-20-53-55\",\"PC-ACCOUNTS\",\"OFFICE\",\"\"\r\n"
        "\"\",\"192.168.0.11\",\"Non-Responded IP\",\"\",\"\",\"\"\r\n"
        "\"2\",\"192.168.0.12\",\"00-0A-E4-20-53-56\",\"\",\"\",\"Wistron Corporation\"\r\n";
    const ScanResultReader::ReadOutcome result = readBytes(file);
    QVERIFY(result.ok());
    QCOMPARE(result.rows.size(), 3);
    QCOMPARE(result.rows.at(0).fields(),
             QStringList({"1", "192.168.0.10", "00-0A-E4-20-53-55", "PC-ACCOUNTS", "OFFICE", ""}));
    QCOMPARE(result.rows.at(1).fields(), QStringList({"", "192.168.0.11", "Non-Responded IP", "", "", ""}));
    QCOMPARE(result.rows.at(2).fields(),
             QStringList({"2", "192.168.0.12", "00-0A-E4-20-53-56", "", "", "Wistron Corporation"}));
    QCOMPARE(result.rows.at(1).iconIndex, ScanRow::SilentIcon);
    // And the writer of today writes such rows the same way.
    QByteArray rewritten;
    for (const ScanRow &row : result.rows)
        rewritten += ScanResultLine::format(row.fields());
    QCOMPARE(rewritten, file);
}

void TestScanResultReader::roundTripThroughFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("result.kst"));
    QVERIFY(ScanResultFile::save(path, scanRowsOf(sampleRows())).ok());
    const ScanResultReader::ReadOutcome result = ScanResultReader::readFile(path);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QList<QStringList> read;
    for (const ScanRow &row : result.rows)
        read.append(row.fields());
    QCOMPARE(read, sampleRows());
    QCOMPARE(result.rows.at(0).iconIndex, ScanRow::AnsweredIcon);
    QCOMPARE(result.rows.at(1).iconIndex, ScanRow::SilentIcon);
}

void TestScanResultReader::savedBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(ScanResultFile::write(buffer, scanRowsOf(sampleRows())).ok());
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.size(), 3);
    for (const QByteArray &line : lines)
        QVERIFY2(line.endsWith("\"\r"), line.constData());
    QCOMPARE(lines.at(1), QByteArray("\"\",\"198.18.7.11\",\"Non-Responded IP\",\"\",\"\",\"\"\r"));
    QVERIFY(lines.at(2).contains(QString::fromUtf8("\"\"\"\u00c6r\u00f8\"\",\"\"PC\u6771\"").toUtf8()));
}

void TestScanResultReader::failingWriteDevice()
{
    FailingDevice device({});
    const Result<> written = ScanResultFile::write(device, scanRowsOf(sampleRows()));
    QVERIFY(!written);
    QVERIFY(written.error().contains(QLatin1String("No space left on device")));
}

void TestScanResultReader::unwritablePathKeepsNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/result.kst"));
    const Result<> saved = ScanResultFile::save(path, scanRowsOf(sampleRows()));
    QVERIFY(!saved);
    QVERIFY(saved.error().contains(QLatin1String("result.kst")));
    QVERIFY(!QFile::exists(path));

    // An existing file is replaced whole, never left half written.
    const QString kept = dir.filePath(QStringLiteral("kept.kst"));
    QVERIFY(ScanResultFile::save(kept, scanRowsOf(sampleRows())).ok());
    QVERIFY(ScanResultFile::save(kept, scanRowsOf(sampleRows().mid(0, 1))).ok());
    QCOMPARE(ScanResultReader::readFile(kept).rows.size(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.kst")});
}

void TestScanResultReader::oversizedRefused()
{
    QByteArray file;
    for (int i = 0; i < 40; ++i)
        file += ScanResultLine::format({"1", "a", "b", "c", "d", "e"});
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    const ScanResultReader::ReadOutcome refused = ScanResultReader::read(buffer, file.size() - 1);
    QVERIFY(!refused.ok());
    QVERIFY(refused.rows.isEmpty());

    FailingDevice sequential(file); // reads in chunks, no size known beforehand
    const ScanResultReader::ReadOutcome chunked = ScanResultReader::read(sequential, file.size() - 1);
    QVERIFY(!chunked.ok());
    QVERIFY(chunked.rows.isEmpty());
}

void TestScanResultReader::manyEmptyLines()
{
    // Empty lines hold no record and are passed over; once took time with
    // the square of the size, later one empty row per six of them.
    const int lineEnds = 600000;
    const ScanResultReader::ReadOutcome result = readBytes(QByteArray(lineEnds, '\n') + 'x');
    QCOMPARE(result.rows.size(), 0);
    QVERIFY(result.error.contains(QLatin1String("1 of its six fields")));
}

QTEST_GUILESS_MAIN(TestScanResultReader)
#include "TestScanResultReader.moc"
