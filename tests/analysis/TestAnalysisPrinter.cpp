#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/printing/AnalysisPrinter.h"
#include "lists/AnalysisListModel.h"

// Printing the analysis list to a PDF file: no printer needed.
class TestAnalysisPrinter : public QObject
{
    Q_OBJECT

private slots:
    void printsTitleRowsAndPageNumbers_data();
    void printsTitleRowsAndPageNumbers();

private:
    static QString pdfText(const QString &path);
};

QString TestAnalysisPrinter::pdfText(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0)
        return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

void TestAnalysisPrinter::printsTitleRowsAndPageNumbers_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("morePages");

    QTest::newRow("empty list") << 0 << false;
    QTest::newRow("a few rows") << 3 << false;
    QTest::newRow("many rows") << 400 << true;
}

void TestAnalysisPrinter::printsTitleRowsAndPageNumbers()
{
    QFETCH(int, rows);
    QFETCH(bool, morePages);

    AnalysisListModel list;
    for (int i = 0; i < rows; ++i)
        list.appendEntry(
            {QStringLiteral("3/9/24; 2:05 PM"),
             QStringLiteral("[00-0A-E4-00-00-%1] is abused IP:198.18.7.%2;This IP has not been preset yet")
                 .arg(i % 100, 2, 10, QLatin1Char('0'))
                 .arg(i % 250)});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("analysis.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QVERIFY(AnalysisPrinter(list).print(printer).ok());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString text = pdfText(path);
    QVERIFY(text.contains(QLatin1String(AnalysisPrinter::Title)));
    QVERIFY(text.contains(QLatin1String("Page 1")));
    QCOMPARE(text.contains(QLatin1String("Page 2")), morePages);
    if (rows > 0) {
        QVERIFY(text.contains(QLatin1String("Date/Time")));
        QVERIFY(text.contains(QLatin1String("is abused IP:198.18.7.0;This IP has not been preset yet")));
        QVERIFY(text.contains(QStringLiteral("198.18.7.%1;").arg((rows - 1) % 250)));
    }
}

QTEST_MAIN(TestAnalysisPrinter)
#include "TestAnalysisPrinter.moc"
