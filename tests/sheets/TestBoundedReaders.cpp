#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "CliProcess.h"
#include "RecordSheet.h"
#include "ScanListModel.h"
#include "ScanListWorkbook.h"
#include "ScanResultReader.h"
#include "SheetGrid.h"
#include "SheetImport.h"
#include "SheetTools.h"
#include "XlsReaderProcess.h"

// The readers of workbooks and scan result files against hostile files, each
// read by netkestrel-cli under an address-space limit, so that a reader that
// runs away with memory or crashes fails here with a status of -1: every
// case ends in a clear message or a clean read. The huge cases are made here
// from small files. damaged/ is a committed corpus: xls-byte-OFFSET-VALUE.xls
// is write-xls.pl's workbook with one byte set (each crashed FreeXL), the
// rest truncated files, not-XML parts, an entry whose sizes lie, and zip
// bombs of shared strings and cells.
class TestBoundedReaders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void xlsx_data();
    void xlsx();
    void xls_data();
    void xls();
    void kst_data();
    void kst();
    void damagedCorpus();
    void exportFollowsNoPlantedLink();

private:
    CliProcess::Run import(const QString &book);
    QString writeXlsx(const QByteArray &rows, const QByteArray &sharedStrings);
    QString writeFile(const QString &name, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Far below what the hostile cases took unbounded (2 to 9 GB).
constexpr qint64 AddressSpace = qint64(1536) * 1024 * 1024;

QByteArray repeated(const QByteArray &part, int times)
{
    QByteArray out;
    out.reserve(part.size() * times);
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

// A row of the ten columns of a record sheet, at row number (from 1).
// Every cell holds the text, but for the MAC column of a record's row (not
// the header's), which holds a MAC the import takes.
QByteArray recordRow(int number, const QByteArray &text)
{
    QByteArray row = "<row r=\"" + QByteArray::number(number) + "\">";
    for (char column = 'A'; column <= 'J'; ++column) {
        const QByteArray cell = column == 'C' && number > 1 ? QByteArray("00-0A-E4-00-00-01") : text;
        row += QByteArray("<c r=\"") + column + QByteArray::number(number) + "\" t=\"inlineStr\"><is><t>" +
               cell + "</t></is></c>";
    }
    return row + "</row>";
}

QDir corpusFolder()
{
    return QDir(qEnvironmentVariable("NETKESTREL_SOURCE_DIR") + QStringLiteral("/tests/sheets/damaged"));
}

QString statusOut(int count)
{
    return SheetImport::statusLine(count) + QLatin1Char('\n');
}

} // namespace

void TestBoundedReaders::initTestCase()
{
    QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
    QVERIFY2(!XlsReaderProcess::program().isEmpty(), "netkestrel-xls-reader is not built beside the tests");
}

void TestBoundedReaders::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

CliProcess::Run TestBoundedReaders::import(const QString &book)
{
    return CliProcess::runLimited({"records", "import", book, "--match", "ip", "--on-duplicate", "skip",
                                   "--data-dir", m_dir->filePath(QStringLiteral("data"))},
                                  AddressSpace);
}

QString TestBoundedReaders::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

QString TestBoundedReaders::writeXlsx(const QByteArray &rows, const QByteArray &sharedStrings)
{
    const QString parts = m_dir->filePath(QStringLiteral("parts"));
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QByteArray relations = "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                 "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
                                 "Type=\"" +
                                 rel + "/sharedStrings\" Target=\"shared.xml\"/></Relationships>";
    const bool ok =
        SheetTools::writePart(
            parts, QStringLiteral("xl/workbook.xml"),
            "<workbook " + main + " xmlns:r=\"" + rel +
                "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>") &&
        SheetTools::writePart(parts, QStringLiteral("xl/_rels/workbook.xml.rels"), relations) &&
        SheetTools::writePart(parts, QStringLiteral("xl/worksheets/sheet1.xml"),
                              "<worksheet " + main + "><sheetData>" + rows + "</sheetData></worksheet>") &&
        SheetTools::writePart(parts, QStringLiteral("xl/shared.xml"), "<sst>" + sharedStrings + "</sst>");
    const QString path = m_dir->filePath(QStringLiteral("book.xlsx"));
    return ok && SheetTools::zipFolder(path, parts) ? path : QString();
}

void TestBoundedReaders::xlsx_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QByteArray>("sharedStrings");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // standard output when it worked, else part of standard error

    const QByteArray header = recordRow(1, "F");
    const QString refused =
        QString::fromLatin1(RecordSheet::FormatRefusedText).section(QLatin1Char('\r'), 0, 0);
    QTest::newRow("a cell at XFD1 and one at row 1048576")
        << QByteArray("<row r=\"1\"><c r=\"XFD1\"><v>1</v></c></row>"
                      "<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c></row>")
        << QByteArray() << 1 << refused;
    QTest::newRow("one record at row 1048576 is one record")
        << header + recordRow(1048576, "198.18.7.1") << QByteArray() << 0 << statusOut(1);
    QTest::newRow("rows of blank cells are no records")
        << header + recordRow(2, "198.18.7.2") + "<row r=\"3\"><c r=\"A3\" s=\"1\"/><c r=\"J3\"/></row>" +
               recordRow(5, "198.18.7.5")
        << QByteArray() << 0 << statusOut(2);
    QTest::newRow("rows out of order, a cell given twice")
        << recordRow(3, "198.18.7.3") + header + recordRow(2, "198.18.7.2") + recordRow(2, "198.18.7.9")
        << QByteArray() << 0 << statusOut(2);
    QTest::newRow("more empty shared strings than cells a sheet may hold")
        << header << repeated("<si/>", int(SheetGrid::MaxCells) + 1) << 1
        << QStringLiteral("holds more than %1 shared strings").arg(SheetGrid::MaxCells);
    QTest::newRow("more cells than a sheet may hold")
        << repeated("<row>" + repeated("<c><v>1</v></c>", 8192) + "</row>",
                    int(SheetGrid::MaxCells / 8192) + 1)
        << QByteArray() << 1 << QStringLiteral("holds more than %1 cells").arg(SheetGrid::MaxCells);
    QTest::newRow("a cell beyond the last column")
        << QByteArray("<row><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>") << QByteArray() << 1
        << "a cell lies outside the sheet";
}

void TestBoundedReaders::xlsx()
{
    QFETCH(QByteArray, rows);
    QFETCH(QByteArray, sharedStrings);
    QFETCH(int, status);
    QFETCH(QString, said);
    const QString book = writeXlsx(rows, sharedStrings);
    QVERIFY(!book.isEmpty());
    const CliProcess::Run run = import(book);
    QCOMPARE(run.status, status);
    QVERIFY2(status == 0 ? run.out == said : run.err.contains(said), qPrintable(run.out + run.err));
}

void TestBoundedReaders::xls_data()
{
    QTest::addColumn<QString>("file"); // in the corpus; empty: write-xls.pl's with a cell at the far corner
    QTest::addColumn<QString>("err");

    QTest::newRow("a byte that crashed the library")
        << "xls-byte-2568-ff.xls" << QString::fromLatin1(XlsReaderProcess::UnreadableText);
    QTest::newRow("cut short") << "xls-truncated.xls"
                               << "The file is damaged";
    QTest::newRow("a cell at the far corner")
        << QString() << QString::fromLatin1(RecordSheet::FormatRefusedText).section(QLatin1Char('\r'), 0, 0);
}

void TestBoundedReaders::xls()
{
    QFETCH(QString, file);
    QFETCH(QString, err);
    QString book = corpusFolder().filePath(file);
    if (file.isEmpty()) {
        if (const QString missing = SheetTools::xlsWriterMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        book = m_dir->filePath(QStringLiteral("book.xls"));
        QVERIFY(SheetTools::writeXls(book, QStringLiteral("corner")));
    }
    const CliProcess::Run run = import(book);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
}

void TestBoundedReaders::kst_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");

    const int huge = 128 * 1024 * 1024;
    QTest::newRow("128 MiB of commas")
        << QByteArray(huge, ',') << 1
        << QStringLiteral("holds more than %1 rows and is not read.").arg(ScanResultReader::MaxRows);
    QTest::newRow("128 MiB of line feeds, then a record")
        << QByteArray(huge, '\n') + "\"1\",\"198.18.7.1\",\"\",\"\",\"\",\"\"\r\n"
        << 0 << QString();
}

void TestBoundedReaders::kst()
{
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(QString, err);
    const QString kst = writeFile(QStringLiteral("scan.kst"), content);
    QVERIFY(!kst.isEmpty());
    content.clear();
    const CliProcess::Run run = CliProcess::runLimited(
        {"export", "--scan-list", kst, "--output", m_dir->filePath(QStringLiteral("out.xlsx"))},
        AddressSpace);
    QCOMPARE(run.status, status);
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
}

void TestBoundedReaders::damagedCorpus()
{
    const QDir corpus = corpusFolder();
    const QStringList files = corpus.entryList(QDir::Files);
    QVERIFY(files.size() >= 8);
    for (const QString &file : files) {
        const CliProcess::Run run = import(corpus.filePath(file));
        // A clean read of what is left, or the message: never a crash.
        QVERIFY2(run.status == 0 || (run.status == 1 && run.err.startsWith(QLatin1String("Error: "))),
                 qPrintable(file + QStringLiteral(": ") + QString::number(run.status) + run.err));
    }
}

void TestBoundedReaders::exportFollowsNoPlantedLink()
{
    // Links at the scratch names the export once used beside its file.
    const QString victim = writeFile(QStringLiteral("victim"), "kept");
    const QString out = m_dir->filePath(QStringLiteral("scan.xlsx"));
    for (int n = 1; n <= 4; ++n)
        QVERIFY(QFile::link(
            victim, QStringLiteral("%1.~%2-%3").arg(out).arg(QCoreApplication::applicationPid()).arg(n)));
    ScanListModel list;
    QVERIFY(ScanListWorkbook::write(list, out).ok());
    QFile kept(victim);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 6); // nothing else left
}

QTEST_GUILESS_MAIN(TestBoundedReaders)
#include "TestBoundedReaders.moc"
