#include "scan/LookupVendor.h"
#include "scan/VendorResolver.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString IeeeDataDir = QStringLiteral(NETKESTREL_IEEE_DATA_DIR);

QString binFolder()
{
    return qEnvironmentVariable("NETKESTREL_BIN_DIR");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// "AABBCC1" -> "AA-BB-CC-10-00-00": the first address of a block.
QString firstMacOf(const QString &prefix)
{
    const QString digits = prefix.leftJustified(12, u'0');
    QStringList pairs;
    for (int i = 0; i < 12; i += 2)
        pairs << digits.mid(i, 2);
    return pairs.join(u'-');
}

} // namespace

class TestVendorResolver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void searchOrder();
    void longestBlockFirst_data();
    void longestBlockFirst();
    void generatedFilesAreSortedRecords_data();
    void generatedFilesAreSortedRecords();
    void registryBlocks_data();
    void registryBlocks();
    void registryMaL();

private:
    QString m_generatedVendorFile;
};

void TestVendorResolver::initTestCase()
{
    QVERIFY2(!binFolder().isEmpty(), "NETKESTREL_BIN_DIR is not set");
    m_generatedVendorFile = QDir(binFolder()).filePath(QStringLiteral("wkcj.dll"));
    QVERIFY2(QFile::exists(m_generatedVendorFile), qPrintable(m_generatedVendorFile));
}

void TestVendorResolver::searchOrder()
{
    const QString mac = QStringLiteral("00-0A-E4-20-53-55");

    // This test runs from the bin folder, where the build puts the generated file.
    QTemporaryDir emptyFolder;
    QVERIFY(emptyFolder.isValid());
    QCOMPARE(VendorResolver(emptyFolder.path()).vendorFileName(), m_generatedVendorFile);
    QCOMPARE(VendorResolver(QString()).vendorFileName(), m_generatedVendorFile);

    QTemporaryDir dataFolder;
    QVERIFY(dataFolder.isValid());
    const QString own = dataFolder.filePath(QStringLiteral("wkcj.dll"));
    writeFile(own, "00-0A-E4\tFrom The Data Folder\r\n");
    const VendorResolver resolver(dataFolder.path());
    QCOMPARE(resolver.vendorFileName(), own);
    QCOMPARE(resolver.vendorOf(mac), QStringLiteral("From The Data Folder"));
}

void TestVendorResolver::longestBlockFirst_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("expected");

    QTest::newRow("36-bit block") << "AA-BB-CC-12-34-56"
                                  << "Thirty-Six Bit";
    QTest::newRow("28-bit block around a 36-bit one") << "AA-BB-CC-12-44-56"
                                                      << "Twenty-Eight Bit";
    QTest::newRow("28-bit block") << "AA-BB-CC-1F-00-00"
                                  << "Twenty-Eight Bit";
    QTest::newRow("outside the blocks") << "AA-BB-CC-20-00-00"
                                        << "Registration Authority";
    QTest::newRow("nameless block falls back") << "AA-BB-CC-30-00-00"
                                               << "Registration Authority";
    QTest::newRow("malformed block line ignored") << "AA-BB-CC-40-00-00"
                                                  << "Registration Authority";
    QTest::newRow("24-bit only") << "00-0A-E4-20-53-55"
                                 << "Some Vendor Inc.";
    QTest::newRow("unknown") << "00-0A-E5-20-53-55"
                             << "";
    QTest::newRow("lower case") << "aa-bb-cc-12-34-56"
                                << "";
    QTest::newRow("colons") << "AA:BB:CC:12:34:56"
                            << "";
    QTest::newRow("too short") << "AA-BB-CC"
                               << "";
    QTest::newRow("too long") << "AA-BB-CC-12-34-56-78"
                              << "";
    QTest::newRow("not hex") << "AA-BB-CC-12-34-GG"
                             << "";
    QTest::newRow("marker") << "Non-Responded IP"
                            << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestVendorResolver::longestBlockFirst()
{
    QFETCH(QString, mac);
    QFETCH(QString, expected);

    QTemporaryDir dataFolder;
    QVERIFY(dataFolder.isValid());
    writeFile(dataFolder.filePath(QStringLiteral("wkcj.dll")),
              "AA-BB-CC\tRegistration Authority\r\n00-0A-E4\tSome Vendor Inc.\r\n");
    writeFile(dataFolder.filePath(QLatin1String(VendorResolver::BlocksFile)),
              "AABBCC1\tTwenty-Eight Bit\r\nAABBCC123\tThirty-Six Bit\r\nAABBCC3\t\r\naabbcc4\tLower Case\r\n"
              "AABBCC4X\tToo Long\r\n");
    QCOMPARE(VendorResolver(dataFolder.path()).vendorOf(mac), expected);
}

void TestVendorResolver::generatedFilesAreSortedRecords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("line");
    QTest::newRow("MA-L") << "wkcj.dll"
                          << R"(^[0-9A-F]{2}-[0-9A-F]{2}-[0-9A-F]{2}\t[^\t\r\n]+\r$)";
    QTest::newRow("blocks") << VendorResolver::BlocksFile << R"(^([0-9A-F]{7}|[0-9A-F]{9})\t[^\t\r\n]+\r$)";
}

// Every line a record, keys unique and ascending: equal registries give equal files.
void TestVendorResolver::generatedFilesAreSortedRecords()
{
    QFETCH(QString, name);
    QFETCH(QString, line);

    const QByteArray bytes = readAll(QDir(binFolder()).filePath(name));
    QVERIFY(bytes.endsWith("\r\n"));
    const QRegularExpression record(line);
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QVERIFY(lines.size() > 4000);
    QByteArray previousKey;
    for (const QByteArray &text : std::as_const(lines)) {
        const QString decoded = QString::fromUtf8(text);
        QVERIFY2(record.match(decoded).hasMatch(), text.constData());
        const QByteArray key = text.left(text.indexOf('\t'));
        QVERIFY2(previousKey < key, key.constData());
        previousKey = key;
    }
}

void TestVendorResolver::registryBlocks_data()
{
    QTest::addColumn<QString>("registry");
    QTest::addColumn<bool>("quotedName");
    QTest::newRow("MA-M") << "mam.csv" << false;
    QTest::newRow("MA-M, quoted name") << "mam.csv" << true;
    QTest::newRow("MA-S") << "oui36.csv" << false;
    QTest::newRow("MA-S, quoted name") << "oui36.csv" << true;
}

// A block of the real registry under a 24-bit prefix that names only the
// registration authority resolves to the block's organisation.
void TestVendorResolver::registryBlocks()
{
    QFETCH(QString, registry);
    QFETCH(bool, quotedName);

    const QRegularExpression row(quotedName
                                     ? QStringLiteral(R"re(^MA-[MS],([0-9A-F]{7,9}),"([^"]*,[^"]*)",)re")
                                     : QStringLiteral(R"(^MA-[MS],([0-9A-F]{7,9}),([^",]+),)"),
                                 QRegularExpression::MultilineOption);
    const QString csv = QString::fromUtf8(readAll(QDir(IeeeDataDir).filePath(registry)));
    auto matches = row.globalMatch(csv);
    while (matches.hasNext()) {
        const auto match = matches.next();
        const QString prefix = match.captured(1);
        const QString organisation = match.captured(2).trimmed();
        const QString mac = firstMacOf(prefix);
        if (organisation == QLatin1String("Private") ||
            LookupVendor(m_generatedVendorFile, mac.left(8)) != QLatin1String("IEEE Registration Authority"))
            continue;
        QCOMPARE(VendorResolver(binFolder()).vendorOf(mac), organisation);
        return;
    }
    QFAIL("no block under the registration authority found in the registry");
}

void TestVendorResolver::registryMaL()
{
    const QString ouiText = QString::fromUtf8(readAll(QDir(IeeeDataDir).filePath(QStringLiteral("oui.txt"))));
    const QRegularExpression entry(QStringLiteral(R"(^00-0A-E4[ \t]+\(hex\)[ \t]*(.*?)\s*$)"),
                                   QRegularExpression::MultilineOption);
    const auto match = entry.match(ouiText);
    QVERIFY(match.hasMatch());
    QVERIFY(!match.captured(1).isEmpty());
    QCOMPARE(VendorResolver(binFolder()).vendorOf(QStringLiteral("00-0A-E4-20-53-55")), match.captured(1));
}

QTEST_GUILESS_MAIN(TestVendorResolver)
#include "TestVendorResolver.moc"
