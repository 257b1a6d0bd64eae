#include "lists/ScanListModel.h"
#include "tests/support/ScriptedDesktopServices.h"
#include "tests/support/ScriptedProgramRunner.h"
#include "tests/support/ScriptedPrompt.h"
#include "tools/OpenComputer.h"

#include <QTest>

// "Open Computer" and "Call Remote Desktop" over a scripted desktop and
// program runner.
class TestOpenComputer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void addresses_data();
    void addresses();
    void remoteDesktop_data();
    void remoteDesktop();
    void remoteDesktopWithoutAHost_data();
    void remoteDesktopWithoutAHost();
    void targets_data();
    void targets();

private:
    void fill(int rows, int current);

    ScanListModel m_list;
    ScriptedDesktopServices m_desktop;
    ScriptedProgramRunner m_runner;
    ScriptedPrompt m_prompt;
};

void TestOpenComputer::init()
{
    m_list.clear();
    m_desktop = {};
    m_runner = {};
    m_prompt.reset();
}

void TestOpenComputer::fill(int rows, int current)
{
    for (int k = 0; k < rows; ++k) {
        ScanRow row;
        row.ipAddress = QStringLiteral("198.18.7.%1").arg(k + 20);
        row.macAddress = k == 1 ? QLatin1String(ScanRow::NonRespondedMarker)
                                : QStringLiteral("00-0A-E4-20-53-55");
        m_list.appendScanRow(row);
    }
    if (current >= 0)
        m_list.setCurrentRow(current);
}

void TestOpenComputer::addresses_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("desktopOpens");
    QTest::addColumn<QString>("opened");  // empty: nothing
    QTest::addColumn<QString>("message"); // empty: none
    QTest::newRow("https") << 3 << 0 << "https://" << true << "https://198.18.7.20"
                           << "";
    QTest::newRow("http") << 3 << 2 << "http://" << true << "http://198.18.7.22"
                          << "";
    QTest::newRow("ftp") << 3 << 2 << "ftp://" << true << "ftp://198.18.7.22"
                         << "";
    QTest::newRow("marker row all the same") << 3 << 1 << "http://" << true << "http://198.18.7.21"
                                             << "";
    QTest::newRow("empty list") << 0 << -1 << "http://" << true << ""
                                << "";
    QTest::newRow("no current row") << 3 << -1 << "https://" << true << "" << OpenComputer::NoCurrentRowText;
    QTest::newRow("no handler") << 3 << 0 << "ftp://" << false << "ftp://198.18.7.20"
                                << "No program to open ftp://198.18.7.20 was found.";
}

void TestOpenComputer::addresses()
{
    QFETCH(int, rows);
    QFETCH(int, current);
    QFETCH(QString, prefix);
    QFETCH(bool, desktopOpens);
    QFETCH(QString, opened);
    QFETCH(QString, message);
    fill(rows, current);
    m_desktop.setAnswer(desktopOpens);
    OpenComputer(m_desktop, m_runner, m_prompt).openAs(m_list, prefix);
    QCOMPARE(m_desktop.opened().size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(m_desktop.opened().first().toString(), opened);
    QCOMPARE(m_prompt.requests().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(m_prompt.lastRequest().text, message);
    QVERIFY(m_runner.runs().isEmpty() && m_runner.detachedRuns().isEmpty());
}

void TestOpenComputer::remoteDesktop_data()
{
    // How many of the clients, in their order, are missing before one starts;
    // all of them missing gives the message.
    QTest::addColumn<int>("missing");
    const int clients = int(OpenComputer::rdpClients().size());
    for (int k = 0; k <= clients; ++k)
        QTest::addRow("%d missing", k) << k;
}

void TestOpenComputer::remoteDesktop()
{
    QFETCH(int, missing);
    fill(3, 2);
    const auto clients = OpenComputer::rdpClients();
    for (int k = 0; k < int(clients.size()); ++k)
        m_runner.queueOutcome(QLatin1String(clients[k].program),
                              ScriptedProgramRunner::withStatus(k < missing
                                                                    ? ProgramOutcome::Status::NotInstalled
                                                                    : ProgramOutcome::Status::Finished));
    OpenComputer(m_desktop, m_runner, m_prompt).callRemoteDesktop(m_list);

    const bool started = missing < int(clients.size());
    QCOMPARE(m_runner.detachedRuns().size(), started ? missing + 1 : missing);
    QVERIFY(m_runner.runs().isEmpty());
    for (int k = 0; k < m_runner.detachedRuns().size(); ++k)
        QCOMPARE(m_runner.detachedRuns().at(k).program, QLatin1String(clients[k].program));
    if (started) {
        // Every client is given the host it is to connect to.
        const ProgramRun run = m_runner.detachedRuns().last();
        QVERIFY2(run.arguments.join(QLatin1Char(' ')).contains(QStringLiteral("198.18.7.22")),
                 qPrintable(run.arguments.join(QLatin1Char(' '))));
        QVERIFY(m_prompt.requests().isEmpty());
    } else {
        QCOMPARE(m_prompt.requests().size(), 1);
        const QString text = m_prompt.lastRequest().text;
        QCOMPARE(text, OpenComputer::noClientText());
        for (const OpenComputer::RdpClient &client : clients)
            QVERIFY(text.contains(QLatin1String(client.package)));
    }
}

void TestOpenComputer::remoteDesktopWithoutAHost_data()
{
    // Nothing highlighted: a client that asks for the host starts with no
    // arguments; one that needs it is only named.
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("message"); // empty: remmina started
    const OpenComputer::RdpClient &xfreerdp = OpenComputer::rdpClients()[0];
    const OpenComputer::RdpClient &rdesktop = OpenComputer::rdpClients()[2];
    QTest::newRow("empty list") << 0 << QStringList{"remmina"} << "";
    QTest::newRow("no current row") << 2 << QStringList{"xfreerdp", "remmina"} << "";
    QTest::newRow("only clients that need a host")
        << 2 << QStringList{"rdesktop", "xfreerdp"} << OpenComputer::needsHostText(xfreerdp);
    QTest::newRow("rdesktop alone") << 0 << QStringList{"rdesktop"} << OpenComputer::needsHostText(rdesktop);
    QTest::newRow("none") << 2 << QStringList{} << OpenComputer::noClientText();
}

void TestOpenComputer::remoteDesktopWithoutAHost()
{
    QFETCH(int, rows);
    QFETCH(QStringList, installed);
    QFETCH(QString, message);
    fill(rows, -1);
    m_runner.setInstalled(installed);
    for (const QString &program : installed)
        m_runner.queueOutcome(program, ScriptedProgramRunner::withStatus(ProgramOutcome::Status::Finished));
    OpenComputer(m_desktop, m_runner, m_prompt).callRemoteDesktop(m_list);
    // Only remmina was tried: the others would print their usage and end.
    QCOMPARE(m_runner.detachedRuns().size(), 1);
    QCOMPARE(m_runner.detachedRuns().first().program, "remmina");
    QVERIFY(m_runner.detachedRuns().first().arguments.isEmpty());
    QCOMPARE(m_prompt.requests().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(m_prompt.lastRequest().text, message);
}

void TestOpenComputer::targets_data()
{
    // What the list shows as the host (a file of anyone's making can put
    // anything there), and what each client would get; empty: refused.
    QTest::addColumn<QString>("host");
    QTest::addColumn<QList<QStringList>>("clientArguments");
    QTest::newRow("dotted quad") << "198.18.7.22"
                                 << QList<QStringList>{{"/v:198.18.7.22"},
                                                       {"-c", "rdp://198.18.7.22"},
                                                       {"--", "198.18.7.22"}};
    for (const char *hostile : {"-o ProxyCommand=touch /tmp/owned", "--plugin", "198.18.7.22 --x",
                                " 198.18.7.22", "ALPHA10", "fe80::1", "::ffff:198.18.7.22", "198.18.7", ""})
        QTest::newRow(*hostile ? hostile : "empty") << QString::fromLatin1(hostile) << QList<QStringList>();
}

void TestOpenComputer::targets()
{
    QFETCH(QString, host);
    QFETCH(QList<QStringList>, clientArguments);
    ScanRow row;
    row.ipAddress = host;
    m_list.appendScanRow(row);
    m_list.setCurrentRow(0);
    // No client is installed: each one is tried with what it would get.
    const OpenComputer open(m_desktop, m_runner, m_prompt);
    open.callRemoteDesktop(m_list);
    open.openAs(m_list, QStringLiteral("http://"));

    QList<QStringList> given;
    for (const ProgramRun &run : m_runner.detachedRuns())
        given.append(run.arguments);
    QCOMPARE(given, clientArguments);
    const bool refused = clientArguments.isEmpty();
    QCOMPARE(m_desktop.opened().size(), refused ? 0 : 1);
    QCOMPARE(m_prompt.requests().first().text,
             refused ? OpenComputer::notAnAddressText(host) : OpenComputer::noClientText());
}

QTEST_GUILESS_MAIN(TestOpenComputer)
#include "TestOpenComputer.moc"
