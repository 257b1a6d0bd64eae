#include "app/parts/MainMenus.h"
#include "tests/app/WindowFixture.h"
#include "tools/ArpBindingScript.h"
#include "tools/MagicPacket.h"
#include "tools/OpenComputer.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>

// The Tools menu's network tools in the window, driven offscreen through
// their menu items, pop-up entries and the database pane's Ping button, with
// the prompt, desktop and programs scripted. Echoes and magic packets stay
// on loopback.
class TestFormMainTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pingButton_data();
    void pingButton();
    void wakeOnLanFromThePopup();
    void bindingScriptRunNow();
    void openComputerFromThePopup();
    void remoteDesktopWithoutClient();
    void messageAndShutdownDialogs_data();
    void messageAndShutdownDialogs();

private:
    void trigger(const char *name) { m_window->menus()->action(QLatin1String(name))->trigger(); }
    void setRecords(const QStringList &ips);

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<FormMain> m_window;
    QUdpSocket m_listener;
};

void TestFormMainTools::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    QVERIFY(storeAutoScanOff(m_f->dataFolder()));
    m_listener.close();
    QVERIFY(m_listener.bind(QHostAddress(QHostAddress::LocalHost), 0));
    FormMain::Options options = m_f->options();
    options.wakeDestination = {QHostAddress(QHostAddress::LocalHost), m_listener.localPort()};
    m_window = std::make_unique<FormMain>(options);
    m_f->prompt.reset();
}

void TestFormMainTools::cleanup()
{
    m_window.reset();
    m_f.reset();
}

void TestFormMainTools::setRecords(const QStringList &ips)
{
    QList<PresetRecord> records;
    for (const QString &ip : ips) {
        PresetRecord record;
        record.id = records.size() + 1;
        record.ipAddress = ip;
        record.macAddress = QStringLiteral("00-0A-E4-20-53-%1").arg(records.size() + 10);
        records.append(record);
    }
    m_window->recordList().setRecords(records);
}

void TestFormMainTools::pingButton_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("start");
    QTest::newRow("loopback answers") << "127.0.0.1"
                                      << "Reply from [127.0.0.1] Time ";
    QTest::newRow("no address") << "127.0.0.x"
                                << "Ping[127.0.0.x] Nothing was sent: the address is not an IPv4";
}

void TestFormMainTools::pingButton()
{
    QFETCH(QString, address);
    QFETCH(QString, start);
    setRecords({QStringLiteral("198.18.7.9"), address});
    m_window->recordList().setCurrentRow(1);
    auto *button = m_window->findChild<QPushButton *>(QStringLiteral("CmdPing"));
    QVERIFY(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_f->prompt.requests().size(), 1);
    const QString text = m_f->prompt.lastRequest().text;
    if (text.contains(QStringLiteral("no ICMP socket")))
        QSKIP("this user may open no ICMP socket");
    QVERIFY2(text.startsWith(start), qPrintable(text));
    QCOMPARE(m_f->prompt.lastRequest().title, QStringLiteral("Notice"));
}

void TestFormMainTools::wakeOnLanFromThePopup()
{
    setRecords({QStringLiteral("198.18.7.9"), QStringLiteral("198.18.7.10"), QStringLiteral("198.18.7.11")});
    m_window->recordList().setChecked(0, true);
    m_window->recordList().setChecked(2, true);
    trigger("menuPopD18"); // "Wake-On-Lan"
    QCOMPARE(m_f->prompt.requests().size(), 1);
    QCOMPARE(m_f->prompt.lastRequest().text, QStringLiteral("Successfully Send 2 records "));
    QList<QByteArray> datagrams;
    while (datagrams.size() < 2 && m_listener.waitForReadyRead(2000)) {
        while (m_listener.hasPendingDatagrams())
            datagrams.append(m_listener.receiveDatagram().data());
    }
    QCOMPARE(datagrams, (QList<QByteArray>{*MagicPacket::fromMacText(QStringLiteral("00-0A-E4-20-53-10")),
                                           *MagicPacket::fromMacText(QStringLiteral("00-0A-E4-20-53-12"))}));
}

void TestFormMainTools::bindingScriptRunNow()
{
    ScanRow row;
    row.ipAddress = QStringLiteral("127.0.0.5");
    row.macAddress = QStringLiteral("00-0A-E4-20-53-55");
    m_window->scanList().appendScanRow(row);
    m_window->scanList().setChecked(0, true);
    m_f->prompt.queueAnswer(PromptAnswer::Yes);
    m_f->runner.queueOutcome(ScriptedProgramRunner::finished(0));
    m_f->work.hold(true);
    trigger("menuPopS18"); // "Generate IP-MAC binding .BAT File"
    // While pkexec waits for its authentication the window goes on, with a
    // bar of the bindings, and no list can start another run.
    QCOMPARE(m_f->work.pending(), 1);
    QVERIFY(m_window->findChild<QProgressDialog *>(QStringLiteral("BindingProgress")));
    QVERIFY(!m_window->menus()->action(QStringLiteral("SMmenu161"))->isEnabled());
    QVERIFY(!m_window->menus()->action(QStringLiteral("SMmenu162"))->isEnabled());
    QCOMPARE(m_f->prompt.requests().size(), 1);
    QVERIFY(m_f->work.release());
    QVERIFY(m_window->menus()->action(QStringLiteral("SMmenu162"))->isEnabled());
    QVERIFY(!m_window->findChild<QProgressDialog *>(QStringLiteral("BindingProgress")));

    QFile script(m_f->dataFolder() + QStringLiteral("/ARP-S1.BAT"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    QCOMPARE(script.readAll(), QByteArray("arp -s 127.0.0.5 00-0A-E4-20-53-55\r\n"));
    QCOMPARE(m_f->runner.runs().size(), 1);
    const QStringList arguments = m_f->runner.lastRun().arguments;
    QVERIFY2(arguments.join(QLatin1Char(' '))
                 .endsWith(
                     QStringLiteral("neigh replace 127.0.0.5 lladdr 00:0a:e4:20:53:55 nud permanent dev lo")),
             qPrintable(arguments.join(QLatin1Char(' '))));
    QCOMPARE(m_f->prompt.requests().size(), 2);
    QCOMPARE(
        m_f->prompt.lastRequest().text,
        QStringLiteral("Bound in this machine's neighbour table (1):\n127.0.0.5 00-0A-E4-20-53-55 on lo"));
}

void TestFormMainTools::openComputerFromThePopup()
{
    ScanRow row;
    row.ipAddress = QStringLiteral("198.18.7.20");
    row.macAddress = QStringLiteral("00-0A-E4-20-53-55");
    m_window->scanList().appendScanRow(row);
    m_window->scanList().setCurrentRow(0);
    trigger("menuPopS212"); // "As Secure Web(HTTPS)"
    trigger("menuT53");     // "As File Server(FTP)"
    QCOMPARE(m_f->desktop.opened(), (QList<QUrl>{QUrl(QStringLiteral("https://198.18.7.20")),
                                                 QUrl(QStringLiteral("ftp://198.18.7.20"))}));
    QVERIFY(m_f->prompt.requests().isEmpty());
}

void TestFormMainTools::remoteDesktopWithoutClient()
{
    ScanRow row;
    row.ipAddress = QStringLiteral("198.18.7.20");
    m_window->scanList().appendScanRow(row);
    m_window->scanList().setCurrentRow(0);
    trigger("menuT1"); // the scripted runner has no program installed
    QCOMPARE(m_f->runner.detachedRuns().size(), qsizetype(OpenComputer::rdpClients().size()));
    QCOMPARE(m_f->prompt.requests().size(), 1);
    QCOMPARE(m_f->prompt.lastRequest().text, OpenComputer::noClientText());
}

void TestFormMainTools::messageAndShutdownDialogs_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("marker");    // the current row is a "Non-Responded IP" row
    QTest::addColumn<QString>("target"); // proposed in txtComputer; empty: the dialog has none

    QTest::newRow("message from the pop-up") << "menuPopS17"
                                             << "FormMsg1" << false << "198.18.7.20";
    QTest::newRow("message to a silent host") << "SMmenu15"
                                              << "FormMsg1" << true << "198.18.7.20";
    QTest::newRow("shutdown from the pop-up") << "menuPopS19"
                                              << "FormShutdown" << true << "198.18.7.20";
    QTest::newRow("shutdown options") << "menuSet2"
                                      << "FormShutdownOp" << true << "";
}

void TestFormMainTools::messageAndShutdownDialogs()
{
    QFETCH(QString, item);
    QFETCH(QString, dialog);
    QFETCH(bool, marker);
    QFETCH(QString, target);
    ScanRow row;
    row.ipAddress = QStringLiteral("198.18.7.20");
    row.macAddress = marker ? QLatin1String(ScanRow::NonRespondedMarker)
                            : QStringLiteral("00-0A-E4-20-53-55");
    m_window->scanList().appendScanRow(row);
    m_window->scanList().setCurrentRow(0);
    QVERIFY(m_window->menus()->action(item)->isEnabled());
    m_window->menus()->action(item)->trigger();
    auto *opened = m_window->findChild<QDialog *>(dialog);
    QVERIFY(opened != nullptr);
    QTRY_VERIFY(opened->isVisible());
    if (!target.isEmpty()) {
        QCOMPARE(opened->findChild<QLineEdit *>(QStringLiteral("txtComputer"))->text(), target);
        QCOMPARE(m_f->prompt.requests().size(), marker ? 1 : 0);
        if (marker)
            QCOMPARE(m_f->prompt.lastRequest().text, "Selected Item is 'Non-Responded IP'");
    }
    opened->reject(); // deletes itself
    QTRY_VERIFY(m_window->findChild<QDialog *>(dialog) == nullptr);
}

QTEST_MAIN(TestFormMainTools)
#include "TestFormMainTools.moc"
