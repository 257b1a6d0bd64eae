// The logon entry: an XDG autostart file written, read back and removed.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/AutostartEntry.h"

class TestAutostartEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ownCommand_data();
    void ownCommand();
    void writeReadRemove_data();
    void writeReadRemove();
    void hiddenEntryCountsAsAbsent();
    void followsXdgConfigHome();
    void unwritableFolderFails();
};

void TestAutostartEntry::ownCommand_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("command");
    QTest::newRow("plain") << "/usr/bin/netkestrel"
                           << "/usr/bin/netkestrel mini";
    QTest::newRow("blank in folder") << "/opt/nk tools/netkestrel"
                                     << "\"/opt/nk tools/netkestrel\" mini";
    QTest::newRow("dollar and quote") << "/opt/a$b\"c/nk"
                                      << "\"/opt/a\\$b\\\"c/nk\" mini";
}

void TestAutostartEntry::ownCommand()
{
    QFETCH(QString, path);
    QFETCH(QString, command);
    QCOMPARE(AutostartEntry::ownCommand(path), command);
}

void TestAutostartEntry::writeReadRemove_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/usr/bin/netkestrel";
    QTest::newRow("blanks and backslash") << "/opt/nk tools\\x/netkestrel";
}

void TestAutostartEntry::writeReadRemove()
{
    QFETCH(QString, path);
    QTemporaryDir dir;
    AutostartEntry entry(dir.path() + QStringLiteral("/autostart"));
    QCOMPARE(entry.filePath(), dir.path() + QStringLiteral("/autostart/Fernlow-S.desktop"));
    QCOMPARE(entry.readCommand(), QString());
    const QString command = AutostartEntry::ownCommand(path);
    const Result<> written = entry.write(command);
    QVERIFY2(written, qPrintable(written.error()));
    QCOMPARE(entry.readCommand(), command);

    QFile file(entry.filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    QVERIFY(text.contains("\nName=Netkestrel\n"));
    file.close();

    QVERIFY(entry.remove());
    QVERIFY(!QFile::exists(entry.filePath()));
    QCOMPARE(entry.readCommand(), QString());
    QVERIFY(entry.remove()); // nothing left to remove is no failure
}

void TestAutostartEntry::hiddenEntryCountsAsAbsent()
{
    QTemporaryDir dir;
    AutostartEntry entry(dir.path());
    QFile file(entry.filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/netkestrel mini\nHidden=true\n");
    file.close();
    QCOMPARE(entry.readCommand(), QString());
}

void TestAutostartEntry::followsXdgConfigHome()
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    QCOMPARE(AutostartEntry().filePath(), dir.path() + QStringLiteral("/autostart/Fernlow-S.desktop"));
    qputenv("XDG_CONFIG_HOME", saved);
}

void TestAutostartEntry::unwritableFolderFails()
{
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AutostartEntry entry(blocker.fileName() + QStringLiteral("/autostart"));
    const Result<> written = entry.write(QStringLiteral("x mini"));
    QVERIFY(!written);
    QVERIFY(!written.error().isEmpty());
}

QTEST_GUILESS_MAIN(TestAutostartEntry)
#include "TestAutostartEntry.moc"
