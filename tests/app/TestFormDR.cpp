#include "app/dialogs/FormDR.h"
#include "app/parts/MainMenus.h"
#include "lists/RecordListModel.h"
#include "records/ScanRowImport.h"
#include "tests/app/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

// The "Add to database" wizard in the window: its three routes, the refusals
// before it opens, its controls, and runs driven offscreen by object names
// with the questions answered in advance.
class TestFormDR : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyRouteOpensTheWizard_data();
    void everyRouteOpensTheWizard();
    void refusedBeforeOpening_data();
    void refusedBeforeOpening();
    void matchBoxesAreAnExclusivePair();
    void askedRunCancelledPartWay();
    void skipByMacAndTheOptionResetsOnOpening();
    void windowGoesOnWhileTheRowsAreWritten();

private:
    void addRecord(const QString &ip, const QString &mac);
    void addScanRow(const QString &ip, const QString &mac, bool ticked);
    FormDR *openWizard();
    template <typename T>
    T *control(const char *name) const
    {
        T *found = m_wizard ? m_wizard->findChild<T *>(QLatin1String(name)) : nullptr;
        if (!found)
            qWarning("no control %s", name);
        return found;
    }

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<FormMain> m_window;
    FormDR *m_wizard = nullptr;
};

void TestFormDR::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    m_window = m_f->makeWindow();
    m_wizard = nullptr;
}

void TestFormDR::cleanup()
{
    m_window.reset();
    m_f.reset();
}

void TestFormDR::addRecord(const QString &ip, const QString &mac)
{
    PresetRecord record;
    record.ipAddress = ip;
    record.macAddress = mac;
    record.user = QStringLiteral("kept");
    QVERIFY(RecordStore(m_f->dataFolder()).insertRecord(record).ok());
}

void TestFormDR::addScanRow(const QString &ip, const QString &mac, bool ticked)
{
    ScanListModel &list = m_window->scanList();
    list.appendScanRow(
        ScanRow::fromFields({QString::number(list.count() + 1), ip, mac, QStringLiteral("host"),
                             QStringLiteral("WORKGROUP"), QStringLiteral("Vendor")}));
    list.setChecked(list.count() - 1, ticked);
}

FormDR *TestFormDR::openWizard()
{
    m_window->menus()->action(QStringLiteral("SMmenu5"))->trigger();
    m_wizard = m_window->findChild<FormDR *>(QStringLiteral("FormDR"));
    return m_wizard;
}

void TestFormDR::everyRouteOpensTheWizard_data()
{
    QTest::addColumn<QString>("route");
    QTest::newRow("menu item") << "SMmenu5";
    QTest::newRow("pop-up entry") << "menuPopS15";
    QTest::newRow("tool box button") << "CmdaddToR";
}

void TestFormDR::everyRouteOpensTheWizard()
{
    QFETCH(QString, route);
    addScanRow(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-01"), true);
    if (auto *button = m_window->findChild<QPushButton *>(route))
        button->click();
    else
        m_window->menus()->action(route)->trigger();

    m_wizard = m_window->findChild<FormDR *>(QStringLiteral("FormDR"));
    QVERIFY(m_wizard);
    QVERIFY(m_wizard->isVisible());
    QVERIFY(m_wizard->isModal());
    QCOMPARE(m_wizard->windowTitle(), QStringLiteral("Add to database"));
    QVERIFY(control<QCheckBox>("Check1_0")->isChecked());
    QVERIFY(!control<QCheckBox>("Check1_1")->isChecked());
    QVERIFY(control<QRadioButton>("OptAdd_0")->isChecked());
    QCOMPARE(control<QProgressBar>("ProBar")->value(), 0);
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("Status"));
    QCOMPARE(control<QPushButton>("CmdADD")->text(), QStringLiteral("Add"));
    QCOMPARE(control<QPushButton>("Cmdclose")->text(), QStringLiteral("Close"));
    QVERIFY(m_f->prompt.requests().isEmpty());
}

void TestFormDR::refusedBeforeOpening_data()
{
    QTest::addColumn<bool>("hasRows");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("empty scan list: nothing") << false << QStringList();
    QTest::newRow("nothing ticked") << true << QStringList{"No items were selected."};
}

void TestFormDR::refusedBeforeOpening()
{
    QFETCH(bool, hasRows);
    QFETCH(QStringList, said);
    if (hasRows)
        addScanRow(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-01"), false);
    QVERIFY(!openWizard());
    QStringList texts;
    for (const PromptRequest &request : m_f->prompt.requests()) {
        texts.append(request.text);
        QCOMPARE(request.title, QStringLiteral("Notice"));
        QCOMPARE(request.icon, PromptIcon::Exclamation);
    }
    QCOMPARE(texts, said);
}

void TestFormDR::matchBoxesAreAnExclusivePair()
{
    addScanRow(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-01"), true);
    QVERIFY(openWizard());
    auto *matchIp = control<QCheckBox>("Check1_0");
    auto *matchMac = control<QCheckBox>("Check1_1");
    const auto states = [&] { return QList<bool>{matchIp->isChecked(), matchMac->isChecked()}; };
    matchMac->click();
    QCOMPARE(states(), QList<bool>({false, true}));
    matchMac->click();
    QCOMPARE(states(), QList<bool>({true, false}));
    matchIp->click();
    QCOMPARE(states(), QList<bool>({false, true}));
    matchIp->click();
    QCOMPARE(states(), QList<bool>({true, false}));
}

void TestFormDR::askedRunCancelledPartWay()
{
    addRecord(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-01"));
    addRecord(QStringLiteral("198.18.3.2"), QStringLiteral("00-0A-E4-00-03-02"));
    addScanRow(QStringLiteral("198.18.3.5"), QStringLiteral("00-0A-E4-00-03-05"), true);
    addScanRow(QStringLiteral("198.18.3.6"), QStringLiteral("00-0A-E4-00-03-06"), false);
    addScanRow(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-11"), true);
    addScanRow(QStringLiteral("198.18.3.2"), QStringLiteral("00-0A-E4-00-03-12"), true);
    addScanRow(QStringLiteral("198.18.3.7"), QStringLiteral("00-0A-E4-00-03-07"), true);
    QVERIFY(openWizard());
    m_f->prompt.queueAnswer(PromptAnswer::Yes);
    m_f->prompt.queueAnswer(PromptAnswer::Cancel);

    control<QPushButton>("CmdADD")->click();

    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("Successfully added 2 items to database!"));
    QCOMPARE(control<QProgressBar>("ProBar")->value(), 100);
    const QList<PromptRequest> &asked = m_f->prompt.requests();
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked.at(0).text, ScanRowImport::duplicateQuestion(BatchItem::MatchBy::IpAddress,
                                                                m_window->scanList().scanRow(2)));
    QCOMPARE(asked.at(2).text, QStringLiteral("Successfully added to record !"));
    // The record list shows the run; the wizard stays open and usable.
    RecordListModel &records = m_window->recordList();
    QCOMPARE(records.count(), 3);
    QStringList macs;
    for (int row = 0; row < records.count(); ++row)
        macs.append(records.record(row).macAddress + QLatin1Char('/') + records.record(row).user);
    QCOMPARE(macs, QStringList({"00-0A-E4-00-03-11/kept", "00-0A-E4-00-03-02/kept", "00-0A-E4-00-03-05/"}));
    QVERIFY(m_wizard->isVisible());
    QVERIFY(!m_wizard->isRunning());
    QVERIFY(control<QPushButton>("CmdADD")->isEnabled());
    QVERIFY(control<QRadioButton>("OptAdd_0")->isEnabled());
}

void TestFormDR::skipByMacAndTheOptionResetsOnOpening()
{
    addRecord(QStringLiteral("198.18.3.1"), QStringLiteral("00-0a-e4-00-03-01"));
    addScanRow(QStringLiteral("198.18.3.9"), QStringLiteral("00-0A-E4-00-03-01"), true);
    addScanRow(QStringLiteral("198.18.3.8"), QStringLiteral("00-0A-E4-00-03-08"), true);
    QVERIFY(openWizard());
    control<QCheckBox>("Check1_1")->click();
    control<QRadioButton>("OptAdd_2")->click();
    control<QPushButton>("CmdADD")->click();
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("Successfully added 1 items to database!"));
    QCOMPARE(m_window->recordList().count(), 2);
    QCOMPARE(m_f->prompt.requests().size(), 1); // no question, the closing message

    control<QPushButton>("Cmdclose")->click();
    QTRY_VERIFY(!m_window->findChild<FormDR *>());
    QVERIFY(openWizard());
    QVERIFY(control<QRadioButton>("OptAdd_0")->isChecked());
    QVERIFY(control<QCheckBox>("Check1_0")->isChecked());
}

void TestFormDR::windowGoesOnWhileTheRowsAreWritten()
{
    addRecord(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-01"));
    addScanRow(QStringLiteral("198.18.3.1"), QStringLiteral("00-0A-E4-00-03-11"), true);
    addScanRow(QStringLiteral("198.18.3.7"), QStringLiteral("00-0A-E4-00-03-07"), true);
    QVERIFY(openWizard());
    m_f->prompt.queueAnswer(PromptAnswer::Yes);
    m_f->work.hold(true);
    control<QPushButton>("CmdADD")->click();

    QCOMPARE(m_f->work.pending(), 1);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QTRY_VERIFY(fired);
    QVERIFY(m_wizard->isRunning());
    QVERIFY(!control<QPushButton>("CmdADD")->isEnabled());
    QVERIFY(!control<QPushButton>("Cmdclose")->isEnabled());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    m_wizard->close();
    QVERIFY(m_wizard->isVisible());
    QVERIFY(m_f->prompt.requests().isEmpty());

    QVERIFY(m_f->work.release());
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("Successfully added 2 items to database!"));
    QCOMPARE(control<QProgressBar>("ProBar")->value(), 100);
    QCOMPARE(m_f->prompt.requests().size(), 2); // the question, the closing message
    QCOMPARE(m_window->recordList().count(), 2);
    QVERIFY(!m_wizard->isRunning());
    QVERIFY(control<QPushButton>("Cmdclose")->isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestFormDR)
#include "TestFormDR.moc"
