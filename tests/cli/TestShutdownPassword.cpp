#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/CliProcess.h"

#include <sys/stat.h>

// Where netkestrel-cli shutdown takes the password from, and that no other
// user sees it in the process list: the real program against a stand-in for
// Samba's net, first on PATH, that records the PASSWD of its environment and
// waits until the test has read the program's /proc/PID/cmdline.
class TestShutdownPassword : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void password_data();
    void password();
};

void TestShutdownPassword::password_data()
{
    QTest::addColumn<QStringList>("options"); // FILE: the password file
    QTest::addColumn<QByteArray>("file");     // null: none; "/": a folder
    QTest::addColumn<int>("mode");            // 0644: warned about
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // net's PASSWD when it ran (status 0), else a part of stderr

    const QStringList file{"-U", "admin", "--password-file", "FILE"};
    QTest::newRow("after %") << QStringList{"-U", "admin%s3cret pass"} << QByteArray() << 0 << 0
                             << "s3cret pass";
    QTest::newRow("after %, joined") << QStringList{"-Uadmin%s3cret pass"} << QByteArray() << 0 << 0
                                     << "s3cret pass";
    QTest::newRow("file before PASSWD")
        << file << QByteArray("s3cret file\r\nmore\n") << 0644 << 0 << "s3cret file";
    QTest::newRow("first line empty") << file << QByteArray("\ns3cret\n") << 0600 << 1 << "is empty";
    QTest::newRow("too large") << file << QByteArray(5000, 'x') << 0600 << 1 << "is larger than 4096 bytes";
    QTest::newRow("a folder") << file << QByteArray("/") << 0700 << 1 << "is not a plain file.";
    QTest::newRow("% and file") << QStringList{"-U", "a%s3cret", "--password-file", "FILE"} << QByteArray("x")
                                << 0600 << 2 << "not both";
}

void TestShutdownPassword::password()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, file);
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("password"));
    QFile net(dir.filePath(QStringLiteral("net")));
    QVERIFY(net.open(QIODevice::WriteOnly) && (file == "/" ? QDir().mkdir(path) : true));
    net.write(QStringLiteral("#!/bin/sh\nprintf %s \"$PASSWD\" >'%1/got.part' && mv '%1/got.part' '%1/got'\n"
                             "for i in $(seq 400); do [ -e '%1/go' ] && break; sleep 0.05; done\n")
                  .arg(dir.path())
                  .toUtf8());
    net.close();
    QVERIFY(::chmod(QFile::encodeName(net.fileName()), 0700) == 0);
    QFile password(path);
    QVERIFY(file.isNull() || file == "/" || (password.open(QIODevice::WriteOnly) && password.write(file)));
    password.close();
    QVERIFY(file.isNull() || ::chmod(QFile::encodeName(path), mode_t(mode)) == 0);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
    environment.insert(QStringLiteral("PASSWD"), QStringLiteral("s3cret env"));
    QProcess process;
    process.setProcessEnvironment(environment);
    CliProcess::start(process,
                      QStringList{"shutdown", "198.18.7.10"} + options.replaceInStrings("FILE", path));
    QFile got(dir.filePath(QStringLiteral("got")));
    if (status == 0) {
        // While net runs, the program has long read its arguments.
        QTRY_VERIFY_WITH_TIMEOUT(got.exists(), 15000);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(process.processId()));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        const QByteArray shown = cmdline.readAll();
        QVERIFY2(shown.contains("198.18.7.10") && !shown.contains("s3cret"), shown.constData());
        QVERIFY(QFile(dir.filePath(QStringLiteral("go"))).open(QIODevice::WriteOnly));
    }
    const CliProcess::Run run = CliProcess::finish(process);
    QVERIFY2(run.status == status, qPrintable(run.err));
    QCOMPARE(got.open(QIODevice::ReadOnly), status == 0);
    QCOMPARE(run.err.contains("warning: other users can read the password file"), mode == 0644);
    QVERIFY2(status == 0 ? got.readAll() == said.toUtf8() : run.err.contains(said), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestShutdownPassword)
#include "TestShutdownPassword.moc"
