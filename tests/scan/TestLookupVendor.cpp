#include "scan/LookupVendor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class TestLookupVendor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void lookup_data();
    void lookup();
    void unusableFile_data();
    void unusableFile();
    void changedFileIsReadAgain();
    void concurrentLookups();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    static void setModified(const QString &path, const QDateTime &when);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLookupVendor::init()
{
    // A fresh folder per test function and row: the index cache is per path.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestLookupVendor::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestLookupVendor::setModified(const QString &path, const QDateTime &when)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

void TestLookupVendor::lookup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString key = QStringLiteral("00-0A-E4");
    QTest::newRow("tab separator, CR LF")
        << QByteArray("00-0A-E4\tSome Vendor Inc.\r\n") << key << QStringLiteral("Some Vendor Inc.");
    QTest::newRow("blank separator, later record")
        << QByteArray("00-00-01\tFirst Maker\r\n00-0A-E4 Some Vendor Inc.\r\n00-0A-E5\tNext\r\n") << key
        << QStringLiteral("Some Vendor Inc.");
    QTest::newRow("CR only line ends") << QByteArray("00-00-01\tFirst Maker\r00-0A-E4\tSome Vendor Inc.\r")
                                       << key << QStringLiteral("Some Vendor Inc.");
    QTest::newRow("LF only line ends")
        << QByteArray("00-00-01\tFirst Maker\n00-0A-E4\tSome Vendor Inc.\n00-0A-E5\tNext\n") << key
        << QStringLiteral("Some Vendor Inc.");
    QTest::newRow("key only inside another name")
        << QByteArray("00-00-01\tMaker 00-0A-E4 Ltd\r\n") << key << QString();
    QTest::newRow("key inside a name before its own record")
        << QByteArray("00-00-01\tMaker 00-0A-E4 Ltd\r\n00-0A-E4\tSome Vendor Inc.\r\n") << key
        << QStringLiteral("Some Vendor Inc.");
    QTest::newRow("lower-case key") << QByteArray("00-0A-E4\tSome Vendor Inc.\r\n")
                                    << QStringLiteral("00-0a-e4") << QString();
    QTest::newRow("lower-case file key") << QByteArray("00-0a-e4\tSome Vendor Inc.\r\n") << key << QString();
    QTest::newRow("empty file") << QByteArray() << key << QString();
    QTest::newRow("last line without CR") << QByteArray("00-00-01\tFirst Maker\r\n00-0A-E4\tLast Vendor")
                                          << key << QStringLiteral("Last Vendor");
    QTest::newRow("last line with LF only")
        << QByteArray("00-0A-E4\tLast Vendor\n") << key << QStringLiteral("Last Vendor");
    QTest::newRow("CR right after separator")
        << QByteArray("00-0A-E4\t\r\n00-0A-E5\tNext\r\n") << key << QString();
    QTest::newRow("CR right after key") << QByteArray("00-0A-E4\r\n00-0A-E5\tNext\r\n") << key << QString();
    QTest::newRow("key at end of file")
        << QByteArray("00-00-01\tFirst Maker\r\n00-0A-E4") << key << QString();
    QTest::newRow("first of two records wins")
        << QByteArray("00-0A-E4\tFirst\r\n00-0A-E4\tSecond\r\n") << key << QStringLiteral("First");
    QTest::newRow("UTF-8 name") << QByteArray("00-0A-E4\tM\xC3\xBCller \xE2\x82\xAC GmbH\r\n") << key
                                << QStringLiteral("M\u00FCller \u20AC GmbH");
    // 0x80 is the euro sign in Windows-1252, a control character in Latin-1.
    QTest::newRow("Windows-1252 name") << QByteArray("00-0A-E4\tM\xFCller \x80 GmbH\r\n") << key
                                       << QStringLiteral("M\u00FCller \u20AC GmbH");
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                         "00-0A-E4\tSome Vendor Inc.\r\n")
                                           << key << QStringLiteral("Some Vendor Inc.");
    // In key order the file is searched, out of it hashed: both must agree.
    QByteArray many;
    for (int i = 0; i < 300; ++i)
        many += QStringLiteral("00-%1-%2\tMaker %3\r\n")
                    .arg(i / 16, 2, 16, QLatin1Char('0'))
                    .arg(i % 16, 2, 16, QLatin1Char('0'))
                    .arg(i)
                    .toUpper()
                    .toLatin1();
    QTest::newRow("in key order, among many")
        << many << QStringLiteral("00-0A-0E") << QStringLiteral("MAKER 174");
    QTest::newRow("out of key order") << QByteArray("00-0A-E5\tNext\r\n00-0A-E4\tSome Vendor Inc.\r\n") << key
                                      << QStringLiteral("Some Vendor Inc.");
    QTest::newRow("out of key order, first of two wins")
        << QByteArray("00-0A-E4\tFirst\r\n00-0A-E3\tBefore\r\n00-0A-E4\tSecond\r\n") << key
        << QStringLiteral("First");
    QTest::newRow("key longer than eight")
        << QByteArray("00-0A-E4\tSome Vendor Inc.\r\n") << QStringLiteral("00-0A-E4\t") << QString();
}

void TestLookupVendor::lookup()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString path = writeFile(QStringLiteral("wkcj.dll"), content);
    QCOMPARE(LookupVendor(path, key), expected);
    // The second answer comes from the cached index.
    QCOMPARE(LookupVendor(path, key), expected);
}

void TestLookupVendor::unusableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("missing.dll");
    QTest::newRow("a folder") << QStringLiteral("folder.dll");
    QTest::newRow("no path") << QString();
}

void TestLookupVendor::unusableFile()
{
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.dll")));
    const QString path = name.isEmpty() ? QString() : m_dir->filePath(name);
    QCOMPARE(LookupVendor(path, QStringLiteral("00-0A-E4")), QString());
}

void TestLookupVendor::changedFileIsReadAgain()
{
    const QString key = QStringLiteral("00-0A-E4");
    const QString path = writeFile(QStringLiteral("wkcj.dll"), "00-0A-E4\tOld Vendor\r\n");
    const QDateTime written = QDateTime::currentDateTime().addSecs(-60);
    setModified(path, written);
    QCOMPARE(LookupVendor(path, key), QStringLiteral("Old Vendor"));

    // Same size, later time.
    writeFile(QStringLiteral("wkcj.dll"), "00-0A-E4\tNew Vendor\r\n");
    setModified(path, written.addSecs(2));
    QCOMPARE(LookupVendor(path, key), QStringLiteral("New Vendor"));

    // Other size, time set back to what the cache has seen.
    writeFile(QStringLiteral("wkcj.dll"), "00-0A-E4\tNewer Vendor\r\n");
    setModified(path, written.addSecs(2));
    QCOMPARE(LookupVendor(path, key), QStringLiteral("Newer Vendor"));

    QVERIFY(QFile::remove(path));
    QCOMPARE(LookupVendor(path, key), QString());
    writeFile(QStringLiteral("wkcj.dll"), "00-0A-E4\tBack Again\r\n");
    QCOMPARE(LookupVendor(path, key), QStringLiteral("Back Again"));
}

// Worker threads look up while the file is replaced under them, as writers of
// the data file do it (a new file renamed over the old one): every answer is
// one of the file's versions, never a torn or freed one.
void TestLookupVendor::concurrentLookups()
{
    const QString key = QStringLiteral("00-0A-E4");
    const QString path = writeFile(QStringLiteral("wkcj.dll"), "00-0A-E4\tVersion A\r\n");
    // Many paths, so that the workers add index entries at the same time.
    QStringList others;
    for (int i = 0; i < 300; ++i)
        others << writeFile(QStringLiteral("other%1.dll").arg(i), "00-0A-E4\tOther File\r\n");
    const QStringList versions{QStringLiteral("Version A"), QStringLiteral("Version BB")};

    std::atomic<bool> stop = false;
    std::atomic<int> wrong = 0;
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back([&, i] {
            for (qsizetype n = 0; !stop; ++n) {
                if (!versions.contains(LookupVendor(path, key)))
                    ++wrong;
                if (LookupVendor(others.at((n + i * 75) % others.size()), key) != QLatin1String("Other File"))
                    ++wrong;
            }
        });
    }
    {
        // Joins the workers also when a check below returns early.
        const auto joinWorkers = qScopeGuard([&] {
            stop = true;
            for (auto &worker : workers)
                worker.join();
        });
        for (int round = 0; round < 200; ++round) {
            QSaveFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(round % 2 ? "00-0A-E4\tVersion A\r\n" : "00-0A-E4\tVersion BB\r\n");
            QVERIFY(file.commit());
        }
    }
    QCOMPARE(wrong.load(), 0);
}

QTEST_GUILESS_MAIN(TestLookupVendor)
#include "TestLookupVendor.moc"
