#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "export/ScanResultReader.h"
#include "lists/ScanListModel.h"
#include "sheets/RecordSheet.h"
#include "sheets/ScanListWorkbook.h"
#include "sheets/SheetGrid.h"
#include "sheets/SheetImport.h"
#include "sheets/XlsReaderProcess.h"
#include "tests/sheets/SheetTools.h"
#include "tests/support/CliProcess.h"

// The readers of workbooks and scan result files against hostile files, each
// read by netkestrel-cli under an address-space limit, so that a reader that
// runs away with memory or crashes fails here with a status of -1. The huge
// cases are made here from small files. damaged/ is a committed corpus:
// xls-byte-OFFSET-VALUE.xls is write-xls.pl's workbook with one byte set
// (each crashed FreeXL), the rest truncated files, not-XML parts, an entry
// whose sizes lie, and zip bombs of shared strings and cells.
namespace {

// Far below what the hostile cases took unbounded (2 to 9 GB).
constexpr qint64 AddressSpace = qint64(1536) * 1024 * 1024;

// A row of the ten columns of a record sheet, at row number (from 1). Every
// cell holds the text, but for the MAC column of a record's row (not the
// header's), which holds a MAC the import takes.
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

QString refused()
{
    return QString::fromLatin1(RecordSheet::FormatRefusedText).section(QLatin1Char('\r'), 0, 0);
}

} // namespace

class TestBoundedReaders : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    CliProcess::Run import(const QString &book)
    {
        return CliProcess::runLimited({"records", "import", book, "--match", "ip", "--on-duplicate", "skip",
                                       "--data-dir", m_dir->filePath(QStringLiteral("data"))},
                                      AddressSpace);
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir->filePath(name);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
    }

    QString writeXlsx(const QByteArray &rows, const QByteArray &sharedStrings)
    {
        const QString parts = m_dir->filePath(QStringLiteral("parts"));
        for (const auto &[name, text] : SheetTools::oneSheetParts(rows, sharedStrings)) {
            if (!SheetTools::writePart(parts, QString::fromLatin1(name), text))
                return {};
        }
        const QString path = m_dir->filePath(QStringLiteral("book.xlsx"));
        return SheetTools::zipFolder(path, parts) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
        QVERIFY2(!XlsReaderProcess::program().isEmpty(),
                 "netkestrel-xls-reader is not built beside the tests");
        QVERIFY(corpusFolder().entryList(QDir::Files).size() >= 8);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void xlsx_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QByteArray>("sharedStrings");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // standard output when it worked, else part of standard error

        const QByteArray header = recordRow(1, "F");
        QTest::newRow("a cell at XFD1 and one at row 1048576")
            << QByteArray("<row r=\"1\"><c r=\"XFD1\"><v>1</v></c></row>"
                          "<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c></row>")
            << QByteArray() << 1 << refused();
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
            << header << QByteArray("<si/>").repeated(SheetGrid::MaxCells + 1) << 1
            << QStringLiteral("holds more than %1 shared strings").arg(SheetGrid::MaxCells);
        QTest::newRow("more cells than a sheet may hold")
            << ("<row>" + QByteArray("<c><v>1</v></c>").repeated(8192) + "</row>")
                   .repeated(SheetGrid::MaxCells / 8192 + 1)
            << QByteArray() << 1 << QStringLiteral("holds more than %1 cells").arg(SheetGrid::MaxCells);
        QTest::newRow("a cell beyond the last column")
            << QByteArray("<row><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>") << QByteArray() << 1
            << "a cell lies outside the sheet";
    }

    void xlsx()
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

    // Each file of the corpus, and write-xls.pl's workbook with a cell at the
    // far corner.
    void damaged_data()
    {
        QTest::addColumn<QString>("book"); // empty: the far corner's
        QTest::addColumn<QString>("err");  // empty: a clean read of what is left, or any message
        const QHash<QString, QString> said{
            {"xls-byte-2568-ff.xls", QString::fromLatin1(XlsReaderProcess::UnreadableText)},
            {"xls-truncated.xls", "The file is damaged"}};
        const QDir corpus = corpusFolder();
        for (const QString &file : corpus.entryList(QDir::Files))
            QTest::newRow(qPrintable(file)) << corpus.filePath(file) << said.value(file);
        QTest::newRow("a cell at the far corner") << QString() << refused();
    }

    void damaged()
    {
        QFETCH(QString, book);
        QFETCH(QString, err);
        if (book.isEmpty()) {
            if (const QString missing = SheetTools::xlsWriterMissing(); !missing.isEmpty())
                QSKIP(qPrintable(missing));
            book = m_dir->filePath(QStringLiteral("book.xls"));
            QVERIFY(SheetTools::writeXls(book, QStringLiteral("corner")));
        }
        const CliProcess::Run run = import(book);
        // Never a crash.
        QVERIFY2(err.isEmpty()
                     ? run.status == 0 || (run.status == 1 && run.err.startsWith(QLatin1String("Error: ")))
                     : run.status == 1 && run.err.contains(err),
                 qPrintable(QString::number(run.status) + run.err));
    }

    void kst_data()
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

    void kst()
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

    // Links at the scratch names the export once used beside its file.
    void exportFollowsNoPlantedLink()
    {
        const QString victim = writeFile(QStringLiteral("victim"), "kept");
        const QString out = m_dir->filePath(QStringLiteral("scan.xlsx"));
        for (int n = 1; n <= 4; ++n)
            QVERIFY(QFile::link(
                victim, QStringLiteral("%1.~%2-%3").arg(out).arg(QCoreApplication::applicationPid()).arg(n)));
        QVERIFY(ScanListWorkbook::write(ScanListModel(), out).ok());
        QFile kept(victim);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 6); // nothing else left
    }
};

QTEST_GUILESS_MAIN(TestBoundedReaders)
#include "TestBoundedReaders.moc"
