#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/desktop/SingleInstance.h"

// The single-instance guard, two "starts" in one process on a socket in the
// test's own folder, and a process of another user at either end.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void laterStartsHandOver_data();
    void laterStartsHandOver();
    void staleSocketIsTakenOver();
    void endedProgramFreesTheName();
    void serverName_data();
    void serverName();
    void otherUsers_data();
    void otherUsers();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_name;
};

void TestSingleInstance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_name = m_dir->filePath(QStringLiteral("guard"));
}

void TestSingleInstance::laterStartsHandOver_data()
{
    QTest::addColumn<QList<int>>("requests"); // SingleInstance::Request of each later start
    QTest::addColumn<int>("shows");
    const int show = int(SingleInstance::Request::ShowWindow);
    const int mini = int(SingleInstance::Request::LeaveAsIs);
    QTest::newRow("plain start") << QList<int>{show} << 1;
    QTest::newRow("mini, then a plain start") << QList<int>{mini, show} << 1;
    QTest::newRow("two plain starts") << QList<int>{show, show} << 2;
}

void TestSingleInstance::laterStartsHandOver()
{
    QFETCH(QList<int>, requests);
    QFETCH(int, shows);
    SingleInstance first(m_name);
    QVERIFY(first.claim(SingleInstance::Request::ShowWindow));
    QVERIFY(first.isListening());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    for (int request : requests) {
        SingleInstance later(m_name);
        QVERIFY(!later.claim(SingleInstance::Request(request)));
        QVERIFY(!later.isListening());
    }
    QTRY_COMPARE(shown.size(), shows);
    // A "mini" start asks for nothing: no late signal comes after the rest.
    QTest::qWait(100);
    QCOMPARE(shown.size(), shows);
}

void TestSingleInstance::staleSocketIsTakenOver()
{
    // What a crash leaves: a socket file on which nobody listens.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_name);
    QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
    qstrcpy(address.sun_path, path.constData());
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ::close(fd);
    QVERIFY(QFileInfo(m_name).exists());

    SingleInstance first(m_name);
    QVERIFY(first.claim(SingleInstance::Request::ShowWindow));
    QVERIFY(first.isListening());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    SingleInstance later(m_name);
    QVERIFY(!later.claim(SingleInstance::Request::ShowWindow));
    QTRY_COMPARE(shown.size(), 1);
}

void TestSingleInstance::endedProgramFreesTheName()
{
    {
        SingleInstance first(m_name);
        QVERIFY(first.claim(SingleInstance::Request::ShowWindow));
    }
    QVERIFY(!QFileInfo(m_name).exists());
    SingleInstance next(m_name);
    QVERIFY(next.claim(SingleInstance::Request::LeaveAsIs));
    QVERIFY(next.isListening());
}

void TestSingleInstance::serverName_data()
{
    // What XDG_RUNTIME_DIR names and what is at <tmp>/netkestrel-<uid>:
    // absent, private (0700), open (0755) or a link to a private folder.
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("folder"); // where the socket goes, else the refusal
    QTest::newRow("private runtime folder") << "private"
                                            << "absent"
                                            << "run";
    QTest::newRow("runtime folder open to others") << "open"
                                                   << "absent"
                                                   << "tmp";
    QTest::newRow("no runtime folder") << "absent"
                                       << "private"
                                       << "tmp";
    QTest::newRow("fallback a link") << "absent"
                                     << "link"
                                     << "is a symbolic link";
}

void TestSingleInstance::serverName()
{
    QFETCH(QString, runtime);
    QFETCH(QString, fallback);
    QFETCH(QString, folder);
    const QString private_ = m_dir->filePath(QStringLiteral("private"));
    const QString run = m_dir->filePath(QStringLiteral("run"));
    const QString tmp = m_dir->filePath(QStringLiteral("tmp"));
    const QString own = tmp + QStringLiteral("/netkestrel-%1").arg(::geteuid());
    QVERIFY(::mkdir(QFile::encodeName(private_), 0700) == 0 && QDir().mkdir(tmp));
    auto make = [&private_](const QString &path, const QString &kind) {
        if (kind == QLatin1String("link"))
            return QFile::link(private_, path);
        return kind == QLatin1String("absent") ||
               ::mkdir(QFile::encodeName(path), kind == QLatin1String("open") ? 0755 : 0700) == 0;
    };
    QVERIFY(make(run, runtime) && make(own, fallback));
    qputenv("XDG_RUNTIME_DIR", runtime == QLatin1String("absent") ? QByteArray() : QFile::encodeName(run));
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":7.0");
    const Result<QString> name = SingleInstance::serverNameForUser();
    qputenv("TMPDIR", savedTmp);
    if (folder.contains(QLatin1Char(' '))) {
        QCOMPARE(name.ok() ? *name : name.error(), QStringLiteral("the folder \"%1\" %2").arg(own, folder));
        return;
    }
    QVERIFY2(name, qPrintable(name.error()));
    QCOMPARE(*name, (folder == QLatin1String("run") ? run : own) +
                        QStringLiteral("/netkestrel-%1-_7_0").arg(::getuid()));
}

void TestSingleInstance::otherUsers_data()
{
    // A process of nobody's: a server that took the name first, or a later
    // start that reached our socket.
    QTest::addColumn<bool>("otherListens");
    QTest::newRow("another user's server") << true;
    QTest::newRow("another user's later start") << false;
}

void TestSingleInstance::otherUsers()
{
    QFETCH(bool, otherListens);
    if (::geteuid() != 0)
        QSKIP("needs root to run a process as another user");
    // Open to nobody for this test only; our own socket too.
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()), 0755) == 0);
    SingleInstance first(m_name);
    if (!otherListens) {
        QVERIFY(first.claim(SingleInstance::Request::ShowWindow));
        QVERIFY(::chmod(QFile::encodeName(m_name), 0777) == 0);
    }
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    int listening[2];
    QVERIFY(::pipe(listening) == 0);
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(m_name), sizeof(address.sun_path));
    const pid_t child = ::fork();
    if (child == 0) {
        // System calls only in this copy of a Qt program. The kernel records
        // who listened or connected when they did: the socket file is made
        // as root, the rest runs as nobody. Exit status: the bytes received.
        ::alarm(20);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        auto *at = reinterpret_cast<sockaddr *>(&address);
        if ((otherListens && ::bind(fd, at, sizeof(address)) != 0) || ::setgroups(0, nullptr) != 0 ||
            ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        int peer = fd;
        if (otherListens ? ::listen(fd, 4) != 0 || ::write(listening[1], "L", 1) != 1 ||
                               (peer = ::accept(fd, nullptr, nullptr)) < 0
                         : ::connect(fd, at, sizeof(address)) != 0 || ::write(fd, "show\n", 5) != 5)
            ::_exit(101);
        char received[64];
        ssize_t got = 0;
        for (ssize_t n; (n = ::read(peer, received, sizeof(received))) > 0;)
            got += n;
        ::_exit(int(std::min<ssize_t>(got, 99)));
    }
    QVERIFY(child > 0);
    char byte = 0;
    if (otherListens) {
        // Nobody's server is neither told anything nor taken for ours.
        QCOMPARE(::read(listening[0], &byte, 1), ssize_t(1));
        QVERIFY(first.claim(SingleInstance::Request::ShowWindow));
        QVERIFY(first.isListening());
    }
    int status = -1;
    pid_t ended = 0; // QTRY_VERIFY asks once more after the answer
    QTRY_VERIFY(ended != 0 || (ended = ::waitpid(child, &status, WNOHANG)) != 0);
    QCOMPARE(ended, child);
    QCOMPARE(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    QCOMPARE(shown.size(), 0);
    ::close(listening[0]);
    ::close(listening[1]);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
