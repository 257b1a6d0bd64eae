#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "export/ScanResultFile.h"
#include "lists/ScanListModel.h"
#include "sheets/RecordSheet.h"
#include "sheets/RecordWorkbook.h"
#include "sheets/ScanListWorkbook.h"
#include "sheets/SheetImport.h"
#include "tests/sheets/SheetTools.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"

// The workbook commands of netkestrel-cli as a script runs them: imports of a
// workbook that Perl's Spreadsheet::WriteExcel wrote, the two exports read
// back by openpyxl, and our own record export imported again.
class TestSheetsCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void import_data();
    void import();
    void matchMacOverwrite();
    void recordExportRoundTrip();
    void emptyRecordExport();
    void scanListExport_data();
    void scanListExport();

private:
    CliProcess::Run records(QStringList arguments);
    // The record list as the command line prints it: per record its nine
    // fields and the ID.
    QList<QStringList> listed();
    void requireXlsWriter();
    void requireXlsxReader();

    std::unique_ptr<RecordFixture> m_fixture;
    QString m_xls;
};

namespace {

const QString ClosingLine = QStringLiteral("Notice: ") + QLatin1String(SheetImport::ClosingText) +
                            QLatin1Char('\n');

QString statusOut(int count)
{
    return SheetImport::statusLine(count) + QLatin1Char('\n');
}

QJsonArray row(const QJsonObject &sheet, int r)
{
    return sheet.value(QLatin1String("rows")).toArray().at(r).toArray();
}

// Every cell of the sheet has thin borders on all four sides.
bool bordered(const QJsonObject &sheet)
{
    for (const QJsonValue &r : sheet.value(QLatin1String("rows")).toArray()) {
        for (const QJsonValue &cell : r.toArray()) {
            for (const QJsonValue &side : cell.toObject().value(QLatin1String("borders")).toArray()) {
                if (side.toString() != QLatin1String("thin"))
                    return false;
            }
        }
    }
    return true;
}

// An empty text reads back as no value.
QJsonValue cellValue(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

void TestSheetsCli::initTestCase()
{
    QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
}

void TestSheetsCli::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->isValid());
    m_xls = m_fixture->filePath(QStringLiteral("records.xls"));
}

void TestSheetsCli::requireXlsWriter()
{
    if (const QString missing = SheetTools::xlsWriterMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QVERIFY(SheetTools::writeXls(m_xls));
}

void TestSheetsCli::requireXlsxReader()
{
    if (const QString missing = SheetTools::xlsxReaderMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
}

CliProcess::Run TestSheetsCli::records(QStringList arguments)
{
    arguments.prepend(QStringLiteral("records"));
    arguments << QStringLiteral("--data-dir") << m_fixture->folder();
    return CliProcess::run(arguments, 60000);
}

QList<QStringList> TestSheetsCli::listed()
{
    const CliProcess::Run run = records({QStringLiteral("list")});
    QList<QStringList> rows;
    for (const QString &line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        rows.append(line.split(QLatin1Char('\t')).mid(1));
    return rows;
}

void TestSheetsCli::import_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // what standard error holds
    QTest::addColumn<int>("records");

    const QStringList skipIp = {"--match", "ip", "--on-duplicate", "skip"};
    const QString refused = QString::fromLatin1(RecordSheet::FormatRefusedText).replace("\r\n", "\n");
    // Row 3 has no MAC address: the record editor would refuse it.
    const QString row3Skipped = ClosingLine + "1 row was skipped: no IP or no MAC address in row 3.\n";
    QTest::newRow("ten columns") << QStringList{"--sheet", "Records"} + skipIp << 0 << statusOut(2)
                                 << row3Skipped << 2;
    QTest::newRow("the first sheet by default") << skipIp << 0 << statusOut(2) << row3Skipped << 2;
    QTest::newRow("chosen rows") << QStringList{"--rows", "3,1"} + skipIp << 0 << statusOut(1) << row3Skipped
                                 << 1;
    QTest::newRow("other header names")
        << QStringList{"--sheet", "Other names"} + skipIp << 0 << statusOut(1) << ClosingLine << 1;
    QTest::newRow("eleven columns") << QStringList{"--sheet", "Eleven"} + skipIp << 1 << QString()
                                    << "Error: " + refused + "\n"
                                    << 0;
    QTest::newRow("no such sheet") << QStringList{"--sheet", "Nope"} + skipIp << 1 << QString()
                                   << "no sheet \"Nope\"; its sheets: Records, Eleven, Other names." << 0;
    QTest::newRow("a row beyond the sheet")
        << QStringList{"--rows", "1-4"} + skipIp << 1 << QString() << "there is no row 4." << 0;
    QTest::newRow("a range far beyond the sheet, refused at once")
        << QStringList{"--rows", "2,1-2147483647"} + skipIp << 1 << QString()
        << "the sheet has 3 rows; there is no row 4." << 0;
    QTest::newRow("a range backwards")
        << QStringList{"--rows", "3-1"} + skipIp << 2 << QString() << "--rows" << 0;
    QTest::newRow("no match key") << QStringList{"--on-duplicate", "skip"} << 2 << QString() << "--match"
                                  << 0;
    QTest::newRow("asking is for the window")
        << QStringList{"--match", "ip", "--on-duplicate", "ask"} << 2 << QString() << "--on-duplicate" << 0;
}

void TestSheetsCli::import()
{
    requireXlsWriter();
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(int, records);
    const CliProcess::Run run = this->records(QStringList{"import", m_xls} + arguments);
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, out);
    QVERIFY2(status == 0 ? run.err == err : run.err.contains(err), qPrintable(run.err));
    QCOMPARE(listed().size(), records);
}

void TestSheetsCli::matchMacOverwrite()
{
    requireXlsWriter();
    // Rows 1 and 2 hold one MAC in two letter cases: the first is added, the
    // second overwrites it.
    const CliProcess::Run run =
        records({"import", m_xls, "--rows", "1,2", "--match", "mac", "--on-duplicate", "overwrite"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, statusOut(2));
    const QList<QStringList> rows = listed();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().mid(0, 9),
             QStringList({"10.0.0.2", "00-0A-E4-20-53-55", "7", "7.5", "2024-03-05", "2024-03-05 10:20:30",
                          "08:15:00", "1234567890123", QStringLiteral("Büro-ПК")}));
}

void TestSheetsCli::recordExportRoundTrip()
{
    requireXlsWriter();
    requireXlsxReader();
    QCOMPARE(records({"import", m_xls, "--match", "ip", "--on-duplicate", "skip"}).status, 0);
    const QList<QStringList> before = listed();
    QCOMPARE(before.size(), 2);

    const QString xlsx = m_fixture->filePath(QStringLiteral("records.xlsx"));
    const CliProcess::Run exported = records({"export", xlsx});
    QVERIFY2(exported.status == 0, qPrintable(exported.err));
    const QJsonArray sheets = SheetTools::dumpXlsx(xlsx).value(QLatin1String("sheets")).toArray();
    QCOMPARE(sheets.size(), 1);
    const QJsonObject sheet = sheets.first().toObject();
    QCOMPARE(sheet.value(QLatin1String("name")).toString(), QLatin1String(RecordWorkbook::SheetName));

    // Row 1: the table's own field names, in Arial and bold.
    const QVariantList fields =
        m_fixture->column(QStringLiteral("select name from pragma_table_info('T_Record')"));
    QCOMPARE(fields.size(), RecordSheet::ColumnCount);
    QCOMPARE(sheet.value(QLatin1String("rows")).toArray().size(), before.size() + 1);
    for (int c = 0; c < fields.size(); ++c) {
        const QJsonObject cell = row(sheet, 0).at(c).toObject();
        QCOMPARE(cell.value(QLatin1String("value")).toString(), fields.at(c).toString());
        QVERIFY(cell.value(QLatin1String("bold")).toBool());
        QCOMPARE(cell.value(QLatin1String("font")).toString(), QStringLiteral("Arial"));
    }
    // One row per record: the ID as a number, the nine fields as text.
    for (int r = 0; r < before.size(); ++r) {
        const QJsonArray cells = row(sheet, r + 1);
        QCOMPARE(cells.at(0).toObject().value(QLatin1String("value")).toInt(), before.at(r).last().toInt());
        QCOMPARE(cells.at(0).toObject().value(QLatin1String("type")).toString(), QStringLiteral("n"));
        for (int f = 0; f < PresetRecord::FieldCount; ++f) {
            const QJsonObject cell = cells.at(f + 1).toObject();
            QCOMPARE(cell.value(QLatin1String("value")), cellValue(before.at(r).at(f)));
            QVERIFY(!cell.value(QLatin1String("bold")).toBool());
        }
    }
    QVERIFY(bordered(sheet));
    QCOMPARE(sheet.value(QLatin1String("paperSize")).toInt(), RecordWorkbook::PaperSize);
    QCOMPARE(sheet.value(QLatin1String("orientation")).toString(), QStringLiteral("landscape"));
    QVERIFY(sheet.value(QLatin1String("fitToPage")).toBool());
    QCOMPARE(sheet.value(QLatin1String("fitToWidth")).toInt(), 1);
    QCOMPARE(sheet.value(QLatin1String("fitToHeight")).toInt(), 0);
    QCOMPARE(sheet.value(QLatin1String("footer")).toString(), QStringLiteral("Page &P, Total: &N"));
    QCOMPARE(sheet.value(QLatin1String("titleRows")).toString(), QStringLiteral("$1:$1"));

    // Imported again, skipping what is there: nothing changes.
    const CliProcess::Run again = records({"import", xlsx, "--match", "ip", "--on-duplicate", "skip"});
    QCOMPARE(again.status, 0);
    QCOMPARE(again.out, statusOut(0));
    QCOMPARE(listed(), before);
    // Overwriting from it rewrites the same values.
    QCOMPARE(records({"import", xlsx, "--match", "ip", "--on-duplicate", "overwrite"}).out, statusOut(2));
    QCOMPARE(listed(), before);
}

void TestSheetsCli::emptyRecordExport()
{
    const QString xlsx = m_fixture->filePath(QStringLiteral("none.xlsx"));
    const CliProcess::Run run = records({"export", xlsx});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, QStringLiteral("%1: %2\n")
                          .arg(QLatin1String(RecordWorkbook::NoRecordTitle),
                               QLatin1String(RecordWorkbook::NoRecordText)));
    QVERIFY(!QFile::exists(xlsx));
}

void TestSheetsCli::scanListExport_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("empty list") << QList<QStringList>();
    QTest::newRow("hosts, a digit-only name, a silent host")
        << QList<QStringList>{{"1", "198.18.7.2", "00-0A-E4-20-53-55", "0123", "WORKGROUP", "Vendor A"},
                              {"2", "198.18.7.3", "00-0A-E4-20-53-56", "", "", ""},
                              {"", "198.18.7.4", ScanRow::NonRespondedMarker, "", "", ""}};
}

void TestSheetsCli::scanListExport()
{
    requireXlsxReader();
    QFETCH(QList<QStringList>, rows);
    QList<ScanRow> scanRows;
    for (const QStringList &fields : rows)
        scanRows.append(ScanRow::fromFields(fields));
    const QString kst = m_fixture->filePath(QStringLiteral("scan.kst"));
    QVERIFY(ScanResultFile::save(kst, scanRows).ok());
    const QString xlsx = m_fixture->filePath(QStringLiteral("scan.xlsx"));
    const CliProcess::Run run = CliProcess::run({"export", "--scan-list", kst, "--output", xlsx});
    QVERIFY2(run.status == 0, qPrintable(run.err));

    const QJsonArray sheets = SheetTools::dumpXlsx(xlsx).value(QLatin1String("sheets")).toArray();
    QCOMPARE(sheets.size(), 1);
    const QJsonObject sheet = sheets.first().toObject();
    QCOMPARE(sheet.value(QLatin1String("name")).toString(), QLatin1String(ScanListWorkbook::SheetName));
    QCOMPARE(sheet.value(QLatin1String("rows")).toArray().size(), rows.size() + 1);
    const ScanListModel list;
    for (int c = 0; c < ScanListWorkbook::ColumnCount; ++c) {
        const QJsonObject cell = row(sheet, 0).at(c).toObject();
        QCOMPARE(cell.value(QLatin1String("value")),
                 cellValue(list.headerData(c, Qt::Horizontal).toString()));
        QVERIFY(cell.value(QLatin1String("bold")).toBool());
    }
    for (int r = 0; r < rows.size(); ++r) {
        const QJsonArray cells = row(sheet, r + 1);
        QCOMPARE(cells.size(), ScanListWorkbook::ColumnCount);
        QCOMPARE(cells.at(0).toObject().value(QLatin1String("value")).toString(), rows.at(r).at(0) + " ");
        for (int c = 0; c < ScanListWorkbook::ColumnCount; ++c) {
            const QJsonObject cell = cells.at(c).toObject();
            QVERIFY(!cell.value(QLatin1String("bold")).toBool());
            if (c == 0)
                continue;
            QCOMPARE(cell.value(QLatin1String("value")), cellValue(rows.at(r).at(c)));
            if (!rows.at(r).at(c).isEmpty())
                QCOMPARE(cell.value(QLatin1String("type")).toString(), QStringLiteral("s"));
        }
    }
    QVERIFY(bordered(sheet));
}

QTEST_GUILESS_MAIN(TestSheetsCli)
#include "TestSheetsCli.moc"
