#include <QDir>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "notify/ExecNotifier.h"
#include "notify/UrlNotifier.h"
#include "platform/ProcessProgramRunner.h"

namespace {

using namespace std::chrono_literals;

constexpr UrlNotifier::Timing Quick{50ms, 400ms, 1000ms};

// An HTTP receiver on 127.0.0.1: answers each POST with the next of its
// status codes (then 200; -1: no answer at all) and keeps the bodies it was sent.
class Receiver : public QTcpServer
{
public:
    explicit Receiver(QList<int> answers) : m_answers(std::move(answers))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }
    QList<QByteArray> bodies;
    QList<QByteArray> contentTypes;

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &request = m_requests[socket];
        request += socket->readAll();
        const qsizetype end = request.indexOf("\r\n\r\n");
        const qsizetype length =
            request.mid(request.indexOf("Content-Length: ") + 16).split('\r').first().toInt();
        if (end < 0 || request.size() < end + 4 + length)
            return;
        bodies.append(request.mid(end + 4, length));
        contentTypes.append(request.mid(request.indexOf("Content-Type: ") + 14).split('\r').first());
        const int code = m_answers.isEmpty() ? 200 : m_answers.takeFirst();
        if (code < 0)
            return;
        socket->write(QByteArrayLiteral("HTTP/1.1 ") + QByteArray::number(code) +
                      " X\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }
    QList<int> m_answers;
    QHash<QTcpSocket *, QByteArray> m_requests;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

class TestNotifiers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void delivered_data();
    void delivered();
    void command_data();
    void command();
};

void TestNotifiers::delivered_data()
{
    QTest::addColumn<QList<int>>("answers"); // 0: the receiver is down at first
    QTest::addColumn<bool>("restart");       // the notifier is gone and a new one starts on the spool
    QTest::addColumn<int>("posts");
    QTest::addColumn<int>("failures");

    QTest::newRow("down, then up") << QList<int>{0} << false << 2 << 1;
    QTest::newRow("503 and 404 are tried again") << QList<int>{503, 404} << false << 4 << 2;
    QTest::newRow("a redirection is no delivery") << QList<int>{302} << false << 3 << 1;
    QTest::newRow("no answer in time") << QList<int>{-1} << false << 3 << 1;
    QTest::newRow("down, restarted, then up") << QList<int>{0} << true << 2 << 1;
}

void TestNotifiers::delivered()
{
    QFETCH(QList<int>, answers);
    QFETCH(bool, restart);
    const bool down = !answers.isEmpty() && answers.first() == 0;
    if (down)
        answers.removeFirst();
    QTemporaryDir data;
    Receiver receiver(answers);
    const quint16 port = freePort();
    if (!down)
        QVERIFY(receiver.listen(QHostAddress::LocalHost, port));
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/hook").arg(port));
    const QList<QByteArray> lines{"{\"kind\":\"new-station\",\"n\":1}\n",
                                  "{\"kind\":\"ip-conflict\",\"n\":2}\n"};

    auto notifier = std::make_unique<UrlNotifier>(url, data.path(), Quick);
    QSignalSpy failed(notifier.get(), &UrlNotifier::status);
    for (const QByteArray &line : lines)
        QVERIFY(notifier->notify(line));
    if (down) {
        QTRY_VERIFY(!failed.isEmpty());
        if (restart)
            notifier = std::make_unique<UrlNotifier>(url, data.path(), Quick);
        QVERIFY(receiver.listen(QHostAddress::LocalHost, port));
        notifier->start();
    }
    QTRY_VERIFY(notifier->spool().pending().isEmpty());
    QTest::qWait(300); // nothing is sent twice
    // Each line once after its failures, in the order given.
    QTEST(int(receiver.bodies.size()), "posts");
    QCOMPARE(receiver.bodies.last(), lines.last());
    QCOMPARE(QSet<QByteArray>(receiver.bodies.begin(), receiver.bodies.end()).size(), 2);
    QCOMPARE(receiver.bodies.first(), lines.first());
    QCOMPARE(receiver.contentTypes.first(), QByteArray("application/json"));
    // A receiver that is down may be tried more than once before it is up.
    QFETCH(int, failures);
    QVERIFY(down ? failed.size() >= failures : failed.size() == failures);
}

void TestNotifiers::command_data()
{
    QTest::addColumn<QString>("command"); // %1: a folder of the test's own
    QTest::addColumn<QString>("said");    // empty: it succeeded

    QTest::newRow("the line on standard input") << "sh -c \"cat > '%1/got'\"" << QString();
    QTest::newRow("fails") << "sh -c \"echo no room >&2; exit 3\""
                           << "--notify-exec: \"sh\" exited with status 3: no room";
    QTest::newRow("hangs") << "sleep 30"
                           << "--notify-exec: \"sleep\" took longer than 0.5 s and was killed.";
    QTest::newRow("not there") << "%1/none --x"
                               << "--notify-exec: \"%1/none\" could not be started (not found, or not an "
                                  "executable file).";
}

void TestNotifiers::command()
{
    QFETCH(QString, command);
    QFETCH(QString, said);
    QTemporaryDir folder;
    const Result<ProgramRun> run = ExecNotifier::parseCommand(command.replace("%1", folder.path()), 500ms);
    QVERIFY(run);
    ProcessProgramRunner runner;
    ExecNotifier notifier(runner, *run);
    QSignalSpy status(&notifier, &ExecNotifier::status);
    const QByteArray line = "{\"kind\":\"flip-flop\"}\n";
    QVERIFY(notifier.notify(line));
    notifier.waitForDone();
    QCOMPARE(status.isEmpty() ? QString() : status.first().first().toString(),
             said.replace("%1", folder.path()));
    if (said.isEmpty()) {
        QFile got(folder.filePath(QStringLiteral("got")));
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(got.readAll(), line);
    }
}

QTEST_GUILESS_MAIN(TestNotifiers)
#include "TestNotifiers.moc"
