#include <QBuffer>
#include <QTest>

#include "ScanResultLine.h"
#include "ScanResultReader.h"

// Reading scan result files by the reader's field rules.
class TestScanResultReader : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void writtenLinesReadBack();
    void unreadableDevice();
};

namespace {

// A device whose reads fail after the first chunk.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(QByteArray first) : m_first(std::move(first)) { open(QIODevice::ReadOnly); }

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
    qint64 writeData(const char *, qint64) override { return -1; }

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

QStringList fieldsOf(const ScanRow &row)
{
    return {row.number, row.ipAddress, row.macAddress, row.hostName, row.workgroup, row.vendor};
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
        << QByteArray("\"1\"junk,\"a\"\"b\",c,d,e,f\r\n")
        << QList<QStringList>{{"1", "a", "c", "d", "e", "f"}} << false;
    QTest::newRow("a record across lines")
        << QByteArray("1,2,3\r4,5,6\r\n") << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}} << false;
    QTest::newRow("final empty field after a comma")
        << QByteArray("1,2,3,4,5,") << QList<QStringList>{{"1", "2", "3", "4", "5", ""}} << false;
    QTest::newRow("trailing blank lines") << QByteArray("1,2,3,4,5,6\r\n\r\n  \r\n")
                                          << QList<QStringList>{{"1", "2", "3", "4", "5", "6"}} << false;
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
        read.append(fieldsOf(row));
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
    QCOMPARE(fieldsOf(result.rows.at(0)), answered);
    QCOMPARE(fieldsOf(result.rows.at(1)), silent);
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

QTEST_GUILESS_MAIN(TestScanResultReader)
#include "TestScanResultReader.moc"
