#include <QFile>
#include <QTest>

#include "analysis/AnalysisOptionsStore.h"
#include "tests/support/CliProcess.h"
#include "tests/support/RecordFixture.h"

// netkestrel-cli analyze on scan result files: findings, exit status, the
// stored options and their overrides, damaged files.
class TestAnalyzeCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void analyze_data();
    void analyze();
    void damagedFile_data();
    void damagedFile();
    void exportFindings_data();
    void exportFindings();

private:
    int run(const QStringList &arguments, QStringList *results = nullptr, QString *errors = nullptr);
    QString writeFile(const QByteArray &content);

    std::unique_ptr<RecordFixture> m_f;
};

namespace {

const QByteArray ScanFile = "\"1\",\"198.18.7.10\",\"00-0A-E4-00-00-0A\",\"PC-A\",\"OFFICE\",\"\"\r\n"
                            "\"2\",\"198.18.7.11\",\"00-0A-E4-00-00-0B\",\"\",\"\",\"\"\r\n"
                            "\"\",\"198.18.7.12\",\"Non-Responded IP\",\"\",\"\",\"\"\r\n"
                            "\"3\",\"198.18.7.13\",\"00-0A-E4-00-00-0D\",\"\",\"\",\"\"\r\n";

} // namespace

void TestAnalyzeCli::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
    const QList<QPair<const char *, const char *>> records = {
        {"198.18.7.10", "00-0A-E4-00-00-0A"}, // matches the first row
        {"198.18.7.11", "00-0A-E4-00-00-0C"}, // the IP belongs to another MAC
        {"198.18.7.12", "00-0A-E4-00-00-0B"}, // the MAC belongs on another IP
    };
    for (const auto &[ip, mac] : records)
        QVERIFY(m_f->add(QLatin1String(ip), QLatin1String(mac)).id > 0);
}

QString TestAnalyzeCli::writeFile(const QByteArray &content)
{
    const QString path = m_f->filePath(QStringLiteral("scan.kst"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

int TestAnalyzeCli::run(const QStringList &arguments, QStringList *results, QString *errors)
{
    const CliProcess::Run cli = CliProcess::run(
        QStringList{QStringLiteral("analyze"), QStringLiteral("--data-dir"), m_f->folder()} + arguments);
    const QStringList lines = cli.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (results) {
        for (const QString &line : lines) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            results->append(fields.size() == 2 && !fields.at(0).isEmpty()
                                ? fields.at(1)
                                : QStringLiteral("BAD LINE: ") + line);
        }
    }
    if (errors)
        *errors = cli.err;
    return cli.status;
}

void TestAnalyzeCli::analyze_data()
{
    QTest::addColumn<bool>("storedIp"); // T_set's "Analyze of IP"
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("results");

    const QString b = QStringLiteral("[00-0A-E4-00-00-0B] is abused IP:198.18.7.11");
    const QString d = QStringLiteral("[00-0A-E4-00-00-0D] is abused IP:198.18.7.13");
    const QStringList macFindings = {b + QStringLiteral("; This IP belongs to [00-0A-E4-00-00-0C]"),
                                     d + QStringLiteral(";This IP has not been preset yet")};
    const QStringList all = {macFindings.at(0), b + QStringLiteral(";This MAC should be on[198.18.7.12]"),
                             macFindings.at(1),
                             d + QStringLiteral(";This MAC is not in Record, maybe it is illegal")};

    QTest::newRow("stored defaults: both") << true << QStringList() << 3 << all;
    QTest::newRow("stored IP off") << false << QStringList() << 3 << macFindings;
    QTest::newRow("--ip overrides the stored option")
        << false << QStringList{QStringLiteral("--ip")} << 3 << all;
    QTest::newRow("--no-mac --no-ip: nothing, status 0")
        << true << QStringList{QStringLiteral("--no-mac"), QStringLiteral("--no-ip")} << 0 << QStringList();
    QTest::newRow("--mac with --no-mac")
        << true << QStringList{QStringLiteral("--mac"), QStringLiteral("--no-mac")} << 2 << QStringList();
    QTest::newRow("scan options with --scan-file")
        << true << QStringList{QStringLiteral("--from"), QStringLiteral("198.18.7.1")} << 2 << QStringList();
}

void TestAnalyzeCli::analyze()
{
    QFETCH(bool, storedIp);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, results);

    if (!storedIp) {
        AnalysisOptions options;
        options.analyzeIp = false;
        QVERIFY(AnalysisOptionsStore(m_f->store()).SaveAnalysisOptions(options));
    }
    QStringList found;
    QCOMPARE(run(QStringList{QStringLiteral("--scan-file"), writeFile(ScanFile)} + arguments, &found),
             status);
    QCOMPARE(found, results);
}

void TestAnalyzeCli::damagedFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QTest::newRow("ends mid-record") << ScanFile + "\"4\",\"198.18.7.14\"\r\n"
                                     << QStringLiteral("middle of a record");
    QTest::newRow("missing file") << QByteArray() << QStringLiteral("cannot be opened");
}

void TestAnalyzeCli::damagedFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    const QString path = content.isEmpty() ? m_f->filePath(QStringLiteral("none.kst")) : writeFile(content);
    QStringList found;
    QString errors;
    QCOMPARE(run({QStringLiteral("--scan-file"), path}, &found, &errors), 1);
    QVERIFY(found.isEmpty());
    QVERIFY2(errors.contains(message), qPrintable(errors));
}

void TestAnalyzeCli::exportFindings_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("findings"); // -1: no file written

    QTest::newRow("text") << QStringList{"--analysis", "text"} << "f.txt" << 0 << 4;
    QTest::newRow("html") << QStringList{"--analysis", "html"} << "f.html" << 0 << 4;
    QTest::newRow("no findings still written")
        << QStringList{"--analysis", "text", "--no-mac", "--no-ip"} << "f.txt" << 0 << 0;
    QTest::newRow("unknown kind") << QStringList{"--analysis", "pdf"} << "f.txt" << 2 << -1;
    QTest::newRow("no kind") << QStringList() << "f.txt" << 2 << -1;
    QTest::newRow("unwritable output") << QStringList{"--analysis", "html"} << "missing/f.html" << 1 << -1;
}

void TestAnalyzeCli::exportFindings()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(int, status);
    QFETCH(int, findings);

    const QString path = m_f->filePath(output);
    const CliProcess::Run cli =
        CliProcess::run(QStringList{"export", "--data-dir", m_f->folder(), "--scan-file", writeFile(ScanFile),
                                    "--output", path} +
                        arguments);
    QCOMPARE(cli.status, status);
    QFile file(path);
    QCOMPARE(file.exists(), findings >= 0);
    if (findings < 0)
        return;
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (output.endsWith(QLatin1String(".txt"))) {
        QVERIFY(bytes.startsWith("Date/Time\t\t\t\tResult\r\n\r\n"));
        QCOMPARE(bytes.count("\t\r\n"), findings);
        QCOMPARE(bytes.count("abused IP:"), findings);
    } else {
        QVERIFY(bytes.contains("COLSPAN=\"4\""));
        QCOMPARE(bytes.count("\n  <TR>\r\n"), findings);
        QCOMPARE(bytes.count("abused IP:"), findings);
    }
}

QTEST_GUILESS_MAIN(TestAnalyzeCli)
#include "TestAnalyzeCli.moc"
