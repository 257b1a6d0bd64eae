#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include "cli/ScanRowPrinter.h"
#include "export/ScanResultLine.h"
#include "lists/ScanRow.h"
#include "platform/TerminalText.h"

// Text from the network or from files reaches the terminal without control
// characters: no forged lines, no escape sequences.
class TestTerminalText : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void printable_data();
    void printable();
    void messagesKeepTheirLines();
    void scanRowTable();
    void scanRowResultFileKeepsFields();
    void findingsOfACraftedScanFile();
    void recordList();

private:
    QString runCli(const QStringList &arguments, int *status);
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// What a host may call itself: a line of its own, a colour, a cleared screen,
// a window title, a reversed name, the 8-bit CSI.
const QString Hostile =
    QStringLiteral("PC\r\n5    198.18.7.99\x1b[31mRED\x1b]0;title\x07\x00\u202eEXE.\u009b2J");

bool hasControl(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return true;
    }
    return false;
}

QByteArray printedRow(ScanRowPrinter::Format format, const ScanRow &row)
{
    std::FILE *file = std::tmpfile();
    ScanRowPrinter printer(format, file);
    printer.printRow(row);
    std::rewind(file);
    QByteArray bytes;
    char buffer[512];
    while (const size_t got = std::fread(buffer, 1, sizeof buffer, file))
        bytes.append(buffer, qsizetype(got));
    std::fclose(file);
    return bytes;
}

ScanRow hostileRow()
{
    ScanRow row;
    row.number = QStringLiteral("1");
    row.ipAddress = QStringLiteral("198.18.7.10");
    row.macAddress = QStringLiteral("00-0A-E4-00-00-0A");
    row.hostName = Hostile;
    row.workgroup = QStringLiteral("WORK\tGROUP");
    row.vendor = QStringLiteral("Vendor\x1b[2J");
    return row;
}

} // namespace

void TestTerminalText::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestTerminalText::printable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("plain") << "PC-ACCOUNTS"
                           << "PC-ACCOUNTS";
    QTest::newRow("letters beyond ASCII") << "Büro-Ω 東京 \U0001F600"
                                          << "Büro-Ω 東京 \U0001F600";
    QTest::newRow("line breaks and tab") << "a\r\nb\tc"
                                         << "a\\r\\nb\\tc";
    QTest::newRow("escape sequence") << "\x1b[2J"
                                     << "\\x1b[2J";
    QTest::newRow("NUL and DEL") << QString::fromLatin1("a\0b\x7f", 4) << "a\\x00b\\x7f";
    QTest::newRow("8-bit CSI") << "\u009b31m"
                               << "\\x9b31m";
    QTest::newRow("right-to-left override") << "\u202eexe.txt"
                                            << "\\u202eexe.txt";
    QTest::newRow("line separator") << "a\u2028b"
                                    << "a\\u2028b";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << "\\ud800";
    QTest::newRow("backslashes stay") << "\\\\PC1\\n"
                                      << "\\\\PC1\\n";
}

void TestTerminalText::printable()
{
    QFETCH(QString, text);
    QTEST(TerminalText::printable(text), "shown");
}

void TestTerminalText::messagesKeepTheirLines()
{
    QCOMPARE(TerminalText::printable(QStringLiteral("First line.\r\nSecond \x1b[1mline\x1b[0m.\nThird\r"),
                                     TerminalText::LineBreaks::Keep),
             QStringLiteral("First line.\nSecond \\x1b[1mline\\x1b[0m.\nThird\\r"));
}

void TestTerminalText::scanRowTable()
{
    const QString printed = QString::fromUtf8(printedRow(ScanRowPrinter::Format::Table, hostileRow()));
    QVERIFY(printed.endsWith(QLatin1Char('\n')));
    QCOMPARE(printed.count(QLatin1Char('\n')), 1);
    QVERIFY2(!hasControl(printed.chopped(1)), qPrintable(printed));
    QVERIFY(printed.contains(TerminalText::printable(Hostile)));
    QVERIFY(printed.contains(QStringLiteral("WORK\\tGROUP")));
    QVERIFY(printed.contains(QStringLiteral("Vendor\\x1b[2J")));
}

void TestTerminalText::scanRowResultFileKeepsFields()
{
    // A result file carries the fields as they are; its reader is the judge.
    const ScanRow row = hostileRow();
    QCOMPARE(printedRow(ScanRowPrinter::Format::ResultFile, row),
             ScanResultLine::format(
                 {row.number, row.ipAddress, row.macAddress, row.hostName, row.workgroup, row.vendor}));
}

QString TestTerminalText::runCli(const QStringList &arguments, int *status)
{
    QProcess cli;
    cli.start(qEnvironmentVariable("NETKESTREL_BIN_DIR") + QStringLiteral("/netkestrel-cli"),
              arguments + QStringList{QStringLiteral("--data-dir"), m_dir->filePath(QStringLiteral("data"))});
    if (!cli.waitForFinished(60000)) {
        *status = -1;
        return {};
    }
    *status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    return QString::fromUtf8(cli.readAllStandardOutput());
}

void TestTerminalText::findingsOfACraftedScanFile()
{
    int status = 0;
    runCli({"records", "add", "--ip", "198.18.7.10", "--mac", "00-0A-E4-00-00-0A"}, &status);
    QCOMPARE(status, 0);

    // The row's MAC differs from the record's, so the finding quotes it.
    const QString mac = QStringLiteral("00-0A-E4\r\n01/01/2000\tforged finding\x1b[2J");
    const QString path = m_dir->filePath(QStringLiteral("crafted.kst"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ScanResultLine::format({"1", "198.18.7.10", mac, Hostile, "", ""}));
    file.close();

    const QString out = runCli({"analyze", "--scan-file", path, "--mac", "--no-ip"}, &status);
    QCOMPARE(status, 3);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(!hasControl(lines.first().section(QLatin1Char('\t'), 1)), qPrintable(lines.first()));
    QCOMPARE(lines.first().count(QLatin1Char('\t')), 1);
    QVERIFY2(lines.first().contains(TerminalText::printable(mac)), qPrintable(lines.first()));
}

void TestTerminalText::recordList()
{
    int status = 0;
    const QString host = QString(Hostile).remove(QChar(0)); // an argument ends at a NUL
    runCli({"records", "add", "--ip", "198.18.7.10", "--mac", "00-0A-E4-00-00-0A", "--host", host,
            "--comments", "note\x1b[8m"},
           &status);
    QCOMPARE(status, 0);

    const QString out = runCli({"records", "list"}, &status);
    QCOMPARE(status, 0);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    const QStringList fields = lines.first().split(QLatin1Char('\t'));
    QCOMPARE(fields.size(), 11);
    for (const QString &field : fields)
        QVERIFY2(!hasControl(field), qPrintable(field));
    QVERIFY(fields.contains(QStringLiteral("note\\x1b[8m")));
    // Line breaks in a record field stay blanks, as before.
    QString blanked = host;
    blanked.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QVERIFY2(fields.contains(TerminalText::printable(blanked)), qPrintable(lines.first()));
}

QTEST_GUILESS_MAIN(TestTerminalText)
#include "TestTerminalText.moc"
