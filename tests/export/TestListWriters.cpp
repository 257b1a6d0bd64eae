#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "export/ListHtmlWriter.h"
#include "export/ListTextWriter.h"
#include "lists/AnalysisListModel.h"

// The text and HTML writers, byte for byte against the golden files.
class TestListWriters : public QObject
{
    Q_OBJECT

private slots:
    void analysisListText();
    void analysisListHtml();
    void textHeaders_data();
    void textHeaders();
    void htmlEscapesHeaders();
    void emptyList();
    void writeFailure();
    void fullDiskSaysSo_data();
    void fullDiskSaysSo();
    void writtenFileMatches();
};

namespace {

void fillFindings(AnalysisListModel &list)
{
    list.appendEntry({"08/12/2026; 10:00:01", "IP 198.18.7.10 now has MAC 00-0A-E4-20-53-55"});
    list.appendEntry({"08/12/2026; 10:00:02", "Host <b>\"A&B's\"</b>"});
}

QByteArray golden(const QString &name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("golden/") + name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

void TestListWriters::analysisListText()
{
    AnalysisListModel list;
    fillFindings(list);
    QCOMPARE(ListTextWriter::format(list, true), golden(QStringLiteral("analysis.txt")));
}

void TestListWriters::analysisListHtml()
{
    AnalysisListModel list;
    fillFindings(list);
    QCOMPARE(ListHtmlWriter::format(list, {}), golden(QStringLiteral("analysis.html")));
}

void TestListWriters::textHeaders_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("two columns") << QStringList{"", "Only"} << QByteArray("\t\tOnly\r\n\r\n");
    QTest::newRow("four columns") << QStringList{"", "A", "B", "C"} << QByteArray("A\t\tB\t\t\t\tC\r\n\r\n");
}

void TestListWriters::textHeaders()
{
    QFETCH(QStringList, headers);
    QFETCH(QByteArray, line);
    const ListModel list(headers, false);
    QCOMPARE(ListTextWriter::format(list, true), line);
    QCOMPARE(ListTextWriter::format(list, false), QByteArray());
}

void TestListWriters::htmlEscapesHeaders()
{
    const ListModel list({"", "<i>a&b</i>"}, false);
    ListHtmlWriter::Style style;
    style.title = QStringLiteral("x<y");
    const QByteArray page = ListHtmlWriter::format(list, style);
    QVERIFY(page.contains(">&lt;i&gt;a&amp;b&lt;/i&gt;</FONT>"));
    QVERIFY(page.contains("<TITLE>x&lt;y</TITLE>"));
    QVERIFY(page.contains("COLSPAN=\"3\""));
    QVERIFY(!page.contains("<i>"));
}

void TestListWriters::emptyList()
{
    AnalysisListModel list;
    QCOMPARE(ListTextWriter::format(list, true), QByteArray("Date/Time\t\t\t\tResult\r\n\r\n"));
    const QByteArray page = ListHtmlWriter::format(list, {});
    QVERIFY(!page.contains("<TD>"));
    QVERIFY(page.endsWith("listed below -->\r\n\r\n</TABLE></BODY></HTML>\r\n"));
}

void TestListWriters::writeFailure()
{
    QTemporaryDir dir;
    AnalysisListModel list;
    const QString path = dir.filePath(QStringLiteral("missing/findings.txt"));
    const Result<> text = ListTextWriter::write(list, path, true);
    QVERIFY(!text);
    QVERIFY(text.error().contains(QLatin1String("findings.txt")));
    QVERIFY(!ListHtmlWriter::write(list, dir.filePath(QStringLiteral("missing/f.html")), {}));
}

void TestListWriters::fullDiskSaysSo_data()
{
    QTest::addColumn<int>("rows");    // a few bytes go through the file's buffer, many past it
    QTest::addColumn<bool>("filled"); // no room at all, else room for part of the file
    QTest::newRow("buffered, no room") << 1 << true;
    QTest::newRow("written at once, some room") << 2000 << false;
}

// A file system with no room left: the write fails with the system's reason
// and leaves no file behind, whether the bytes were buffered or not.
void TestListWriters::fullDiskSaysSo()
{
    QFETCH(int, rows);
    QFETCH(bool, filled);
    QTemporaryDir dir;
    // A full file system of its own, in a mount namespace of this thread only.
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        QSKIP("needs root for a mount namespace of its own");
    const QByteArray folder = QFile::encodeName(dir.path());
    QVERIFY(mount("tmpfs", folder.constData(), "tmpfs", 0, "size=64k") == 0);
    QFile filler(dir.filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filled && filler.write(QByteArray(4096, 'f')) > 0) {
    }
    AnalysisListModel list;
    for (int row = 0; row < rows; ++row)
        fillFindings(list);
    const Result<> written = ListTextWriter::write(list, dir.filePath(QStringLiteral("findings.txt")), true);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    filler.close();
    QVERIFY(umount(folder.constData()) == 0);
    QVERIFY(!written);
    QVERIFY2(
        written.error().endsWith(QLatin1String("findings.txt cannot be written.\r\nNo space left on device")),
        qPrintable(written.error()));
    QCOMPARE(left, QStringList{"filler"});
}

void TestListWriters::writtenFileMatches()
{
    QTemporaryDir dir;
    AnalysisListModel list;
    fillFindings(list);
    const QString path = dir.filePath(QStringLiteral("findings.html"));
    QVERIFY(ListHtmlWriter::write(list, path, {}).ok());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), ListHtmlWriter::format(list, {}));
}

QTEST_GUILESS_MAIN(TestListWriters)
#include "TestListWriters.moc"
