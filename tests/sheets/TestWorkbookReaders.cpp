#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "sheets/CellText.h"
#include "sheets/WorkbookReader.h"
#include "sheets/XlsxStyles.h"
#include "tests/sheets/SheetTools.h"

// The workbook readers against files that other programs wrote: .xls by
// Perl's Spreadsheet::WriteExcel, .xlsx packed by Python's zipfile from parts
// written here, and files that are no workbook or a damaged one.
class TestWorkbookReaders : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cellText_data();
    void cellText();
    void formatDateKind_data();
    void formatDateKind();
    void xlsSheets();
    void xlsCells_data();
    void xlsCells();
    void xlsx_data();
    void xlsx();
    void damaged_data();
    void damaged();

private:
    // A small .xlsx of two worksheets and a chart sheet; strings shared or inline.
    QString writeXlsx(bool inlineStrings);

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Each row as its number, then its texts.
QList<QStringList> numberedRows(const SheetGrid &grid)
{
    QList<QStringList> rows;
    for (const SheetRow &row : grid.rows)
        rows.append(QStringList{QString::number(row.number)} + row.texts(grid.columnCount));
    return rows;
}

} // namespace

void TestWorkbookReaders::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestWorkbookReaders::cellText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("dateKind"); // -1: a plain number
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("expected");

    QTest::newRow("integral") << 7.0 << -1 << false << "7";
    QTest::newRow("negative integral") << -42.0 << -1 << false << "-42";
    QTest::newRow("negative zero") << -0.0 << -1 << false << "0";
    QTest::newRow("fraction") << 7.5 << -1 << false << "7.5";
    QTest::newRow("binary fraction noise") << 0.1 + 0.2 << -1 << false << "0.3";
    QTest::newRow("large integral") << 1234567890123.0 << -1 << false << "1234567890123";
    QTest::newRow("beyond 15 digits") << 1e20 << -1 << false << "1e+20";
    const int date = int(CellText::DateKind::Date);
    const int time = int(CellText::DateKind::Time);
    const int both = int(CellText::DateKind::DateTime);
    QTest::newRow("first day") << 1.0 << date << false << "1900-01-01";
    QTest::newRow("before the leap day that never was") << 59.0 << date << false << "1900-02-28";
    QTest::newRow("after it") << 61.0 << date << false << "1900-03-01";
    QTest::newRow("a modern date") << 45356.0 << date << false << "2024-03-05";
    QTest::newRow("date and time") << 45356.4305902778 << both << false << "2024-03-05 10:20:03";
    QTest::newRow("almost midnight rounds up") << 45356.9999999 << both << false << "2024-03-06 00:00:00";
    QTest::newRow("time") << 0.34375 << time << false << "08:15:00";
    QTest::newRow("1904 system") << 0.0 << date << true << "1904-01-01";
    QTest::newRow("1904 modern") << 43894.0 << date << true << "2024-03-05";
}

void TestWorkbookReaders::cellText()
{
    QFETCH(double, value);
    QFETCH(int, dateKind);
    QFETCH(bool, date1904);
    QFETCH(QString, expected);
    const QString text = dateKind < 0 ? CellText::number(value)
                                      : CellText::serialDate(value, CellText::DateKind(dateKind), date1904);
    QCOMPARE(text, expected);
}

void TestWorkbookReaders::formatDateKind_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("expected"); // -1: no date

    QTest::newRow("General") << 0 << "" << -1;
    QTest::newRow("built-in 0.00") << 2 << "" << -1;
    QTest::newRow("built-in date") << 14 << "" << int(CellText::DateKind::Date);
    QTest::newRow("built-in time") << 21 << "" << int(CellText::DateKind::Time);
    QTest::newRow("built-in date and time") << 22 << "" << int(CellText::DateKind::DateTime);
    QTest::newRow("custom date") << 164 << "yyyy-mm-dd" << int(CellText::DateKind::Date);
    QTest::newRow("custom month name") << 165 << "mmm" << int(CellText::DateKind::Date);
    QTest::newRow("custom minutes") << 166 << "hh:mm" << int(CellText::DateKind::Time);
    QTest::newRow("custom both") << 167 << "d/m/yy h:mm AM/PM" << int(CellText::DateKind::DateTime);
    QTest::newRow("elapsed hours") << 168 << "[h]:mm" << int(CellText::DateKind::Time);
    QTest::newRow("locale and colour only") << 169 << "[$-409][Red]0.00" << -1;
    QTest::newRow("quoted letters") << 170 << "0 \"days\"" << -1;
    QTest::newRow("escaped letter") << 171 << "0\\d" << -1;
    QTest::newRow("text") << 172 << "@" << -1;
}

void TestWorkbookReaders::formatDateKind()
{
    QFETCH(int, id);
    QFETCH(QString, code);
    QFETCH(int, expected);
    const std::optional<CellText::DateKind> kind = XlsxStyles::formatDateKind(id, code);
    QCOMPARE(kind ? int(*kind) : -1, expected);
}

void TestWorkbookReaders::xlsSheets()
{
    if (const QString missing = SheetTools::xlsWriterMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    const QString path = m_dir->filePath(QStringLiteral("book.xls"));
    QVERIFY(SheetTools::writeXls(path));
    Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(path);
    QVERIFY2(book.ok(), qPrintable(book.error()));
    QCOMPARE((*book)->sheetNames(), QStringList({"Records", "Eleven", "Other names"}));
    const QList<int> columns = {10, 11, 10};
    const QList<int> rows = {4, 2, 2};
    for (int s = 0; s < columns.size(); ++s) {
        const Result<SheetGrid> grid = (*book)->readSheet(s);
        QVERIFY2(grid.ok(), qPrintable(grid.error()));
        QCOMPARE(grid->columnCount, columns.at(s));
        QCOMPARE(grid->rows.size(), rows.at(s));
        QCOMPARE(grid->rows.constLast().number, rows.at(s) - 1);
    }
    QVERIFY(!(*book)->readSheet(3).ok());
}

void TestWorkbookReaders::xlsCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");

    QTest::newRow("header") << 0 << 8 << "laninterface";
    QTest::newRow("ID number") << 1 << 0 << "1";
    QTest::newRow("IP typed as text") << 1 << 1 << "10.0.0.1";
    QTest::newRow("quote kept") << 1 << 9 << "it's";
    QTest::newRow("integral number") << 2 << 3 << "7";
    QTest::newRow("fraction") << 2 << 4 << "7.5";
    QTest::newRow("date") << 2 << 5 << "2024-03-05";
    QTest::newRow("date and time") << 2 << 6 << "2024-03-05 10:20:30";
    QTest::newRow("time") << 2 << 7 << "08:15:00";
    QTest::newRow("large number") << 2 << 8 << "1234567890123";
    QTest::newRow("not ASCII") << 2 << 9 << QStringLiteral("Büro-ПК");
    QTest::newRow("empty cell") << 3 << 2 << "";
}

void TestWorkbookReaders::xlsCells()
{
    if (const QString missing = SheetTools::xlsWriterMissing(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, expected);
    const QString path = m_dir->filePath(QStringLiteral("book.xls"));
    QVERIFY(SheetTools::writeXls(path));
    Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(path);
    QVERIFY2(book.ok(), qPrintable(book.error()));
    const Result<SheetGrid> grid = (*book)->readSheet(0);
    QVERIFY2(grid.ok(), qPrintable(grid.error()));
    QCOMPARE(grid->rows.at(row).number, row);
    QCOMPARE(grid->rows.at(row).texts(grid->columnCount).at(column), expected);
}

QString TestWorkbookReaders::writeXlsx(bool inlineStrings)
{
    const QString parts = m_dir->filePath(QStringLiteral("parts"));
    const QStringList strings = {"Name", "Count", "Seen", "Flag", "10.0.0.1"};
    const auto text = [&](const char *ref, int index) {
        if (inlineStrings)
            return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
                .arg(QLatin1String(ref), strings.at(index));
        return QStringLiteral("<c r=\"%1\" t=\"s\"><v>%2</v></c>").arg(QLatin1String(ref)).arg(index);
    };
    // A rich text of two runs and a phonetic run that is not part of the text.
    const QString rich = QStringLiteral(
        "<r><t>pc</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">-one</t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>PHONETIC</t></rPh>");
    const QString richCell = inlineStrings
                                 ? QStringLiteral("<c r=\"A5\" t=\"inlineStr\"><is>%1</is></c>").arg(rich)
                                 : QStringLiteral("<c r=\"A5\" t=\"s\"><v>5</v></c>");
    QString shared =
        QStringLiteral("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">");
    for (const QString &s : strings)
        shared += QStringLiteral("<si><t>%1</t></si>").arg(s);
    shared += QStringLiteral("<si>%1</si></sst>").arg(rich);

    const QString main = QStringLiteral(
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"");
    const QString sheet =
        QStringLiteral(
            "<worksheet %1><sheetData>"
            "<row r=\"1\">%2%3%4%5</row>"
            "<row r=\"2\">%6<c r=\"B2\"><v>7</v></c><c r=\"C2\" s=\"1\"><v>45356</v></c>"
            "<c r=\"D2\" t=\"b\"><v>1</v></c></row>"
            "<row r=\"5\">%7<c r=\"B5\" t=\"n\"><v>7.25</v></c><c r=\"C5\" s=\"2\"><v>45356.5</v></c></row>"
            "</sheetData></worksheet>")
            .arg(main, text("A1", 0), text("B1", 1), text("C1", 2), text("D1", 3), text("A2", 4), richCell);
    // Cells without references follow each other; a formula keeps its cached text.
    const QString second = QStringLiteral(
                               "<worksheet %1><sheetData><row><c><v>1</v></c><c t=\"str\"><f>A1&amp;\"x\"</f>"
                               "<v>1x</v></c></row><row><c t=\"e\"><v>#N/A</v></c></row>"
                               "</sheetData></worksheet>")
                               .arg(main);
    const QString workbook = QStringLiteral("<workbook %1><workbookPr/><sheets>"
                                            "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                                            "<sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId2\"/>"
                                            "<sheet name=\"Second &amp; last\" sheetId=\"3\" r:id=\"rId3\"/>"
                                            "</sheets></workbook>")
                                 .arg(main);
    const QString rel =
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    QString relations =
        QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\">"
                       "<Relationship Id=\"rId1\" Type=\"%1worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                       "<Relationship Id=\"rId2\" Type=\"%1chartsheet\" Target=\"chartsheets/c.xml\"/>"
                       "<Relationship Id=\"rId3\" Type=\"%1worksheet\" Target=\"/xl/worksheets/two.xml\"/>"
                       "<Relationship Id=\"rId4\" Type=\"%1styles\" Target=\"styles.xml\"/>")
            .arg(rel);
    if (!inlineStrings)
        relations += QStringLiteral(
                         "<Relationship Id=\"rId5\" Type=\"%1sharedStrings\" Target=\"sharedStrings.xml\"/>")
                         .arg(rel);
    relations += QStringLiteral("</Relationships>");
    const QString styles = QStringLiteral(
                               "<styleSheet %1><numFmts count=\"1\"><numFmt numFmtId=\"164\" "
                               "formatCode=\"yyyy-mm-dd hh:mm\"/></numFmts><cellXfs count=\"3\">"
                               "<xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/>"
                               "<xf numFmtId=\"164\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>")
                               .arg(main);

    bool ok =
        SheetTools::writePart(parts, QStringLiteral("xl/workbook.xml"), workbook.toUtf8()) &&
        SheetTools::writePart(parts, QStringLiteral("xl/_rels/workbook.xml.rels"), relations.toUtf8()) &&
        SheetTools::writePart(parts, QStringLiteral("xl/worksheets/sheet1.xml"), sheet.toUtf8()) &&
        SheetTools::writePart(parts, QStringLiteral("xl/worksheets/two.xml"), second.toUtf8()) &&
        SheetTools::writePart(parts, QStringLiteral("xl/styles.xml"), styles.toUtf8());
    if (!inlineStrings)
        ok = ok && SheetTools::writePart(parts, QStringLiteral("xl/sharedStrings.xml"), shared.toUtf8());
    const QString path = m_dir->filePath(QStringLiteral("book.xlsx"));
    return ok && SheetTools::zipFolder(path, parts) ? path : QString();
}

void TestWorkbookReaders::xlsx_data()
{
    QTest::addColumn<bool>("inlineStrings");
    QTest::newRow("shared strings") << false;
    QTest::newRow("inline strings") << true;
}

void TestWorkbookReaders::xlsx()
{
    QFETCH(bool, inlineStrings);
    const QString path = writeXlsx(inlineStrings);
    QVERIFY(!path.isEmpty());
    Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(path);
    QVERIFY2(book.ok(), qPrintable(book.error()));
    QCOMPARE((*book)->sheetNames(), QStringList({"Data", "Second & last"}));

    const Result<SheetGrid> grid = (*book)->readSheet(0);
    QVERIFY2(grid.ok(), qPrintable(grid.error()));
    QCOMPARE(grid->columnCount, 4);
    // Rows 3 and 4 hold no cell: the grid leaves them out.
    const QList<QStringList> expected = {
        {"0", "Name", "Count", "Seen", "Flag"},
        {"1", "10.0.0.1", "7", "2024-03-05", "True"},
        {"4", "pc-one", "7.25", "2024-03-05 12:00:00", ""},
    };
    QCOMPARE(numberedRows(*grid), expected);

    const Result<SheetGrid> second = (*book)->readSheet(1);
    QVERIFY2(second.ok(), qPrintable(second.error()));
    QCOMPARE(numberedRows(*second), QList<QStringList>({{"0", "1", "1x"}, {"1", "#N/A", ""}}));
}

void TestWorkbookReaders::damaged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cause");

    QTest::newRow("empty file") << QByteArray() << "It is no .xls or .xlsx workbook.";
    QTest::newRow("text file") << QByteArray("ID,IPAddress\r\n1,10.0.0.1\r\n")
                               << "It is no .xls or .xlsx workbook.";
    QTest::newRow("compound header, then garbage")
        << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x') << "The file is damaged";
    QTest::newRow("zip magic, then garbage") << QByteArray("PK\x03\x04", 4) + QByteArray(300, 'y') << "";
}

void TestWorkbookReaders::damaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cause);
    const QString path = m_dir->filePath(QStringLiteral("damaged.xls"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const Result<std::unique_ptr<WorkbookReader>> book = WorkbookReader::open(path);
    QVERIFY(!book.ok());
    const QString head = QStringLiteral("The workbook %1 cannot be opened.\r\n").arg(path);
    QVERIFY2(book.error().startsWith(head), qPrintable(book.error()));
    QVERIFY2(book.error().mid(head.size()).startsWith(cause), qPrintable(book.error()));
}

QTEST_GUILESS_MAIN(TestWorkbookReaders)
#include "TestWorkbookReaders.moc"
