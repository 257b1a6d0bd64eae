#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "SingleInstance.h"

// The single-instance guard, two "starts" in one process on a socket in the
// test's own folder.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void laterStartsHandOver_data();
    void laterStartsHandOver();
    void staleSocketIsTakenOver();
    void endedProgramFreesTheName();
    void nameHoldsUserAndDisplay();

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

void TestSingleInstance::nameHoldsUserAndDisplay()
{
    auto restore = [](const char *name, const QByteArray &value, bool wasSet) {
        if (wasSet)
            qputenv(name, value);
        else
            qunsetenv(name);
    };
    const bool displaySet = qEnvironmentVariableIsSet("DISPLAY");
    const bool waylandSet = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":7.0");
    const QString withDisplay = SingleInstance::serverNameForUser();
    qunsetenv("DISPLAY");
    const QString without = SingleInstance::serverNameForUser();
    restore("DISPLAY", display, displaySet);
    restore("WAYLAND_DISPLAY", wayland, waylandSet);

    QCOMPARE(without, QStringLiteral("netkestrel-%1").arg(::getuid()));
    QVERIFY(withDisplay.startsWith(without + QLatin1Char('-')));
    QVERIFY(withDisplay.contains(QLatin1Char('7')));
    QVERIFY(!withDisplay.contains(QLatin1Char(':')) && !withDisplay.contains(QLatin1Char('/')));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
