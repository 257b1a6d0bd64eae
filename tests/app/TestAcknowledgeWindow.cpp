#include "app/dialogs/AcknowledgeDialog.h"
#include "app/parts/MainMenus.h"
#include "records/AcknowledgementStore.h"
#include "tests/app/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

// Acknowledging findings in the window: the Analyze menu's two entries on
// the highlighted finding, with the dialog's answer scripted, the greyed
// rows, and the acknowledgements the analysis finds in the database.
class TestAcknowledgeWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void analysisMarksStoredAcknowledgements();
    void acknowledgeAndWithdraw();
    void cancelledStoresNothing();
    void needsAHighlightedFinding_data();
    void needsAHighlightedFinding();
    void dialogAnswers();

private:
    void analyzeAll();
    void trigger(const char *name);
    // The rows of the analysis list whose finding is about this IP.
    QList<int> rowsOf(const QString &ip) const;

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<FormMain> m_window;
    std::optional<AcknowledgeDialog::Answer> m_answer;
    QStringList m_asked;
};

namespace {

const QString KnownIp = QStringLiteral("198.18.7.10");
const QString StrayIp = QStringLiteral("198.18.7.11");
const QString StrayMac = QStringLiteral("00-0A-E4-00-00-0B");
const QString OtherIp = QStringLiteral("198.18.7.13");
const QString OtherMac = QStringLiteral("00-0A-E4-00-00-0D");

} // namespace

void TestAcknowledgeWindow::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    QVERIFY(storeAutoScanOff(m_f->dataFolder()));
    m_answer.reset();
    m_asked.clear();
    FormMain::Options options = m_f->options();
    options.askAcknowledgement = [this](const QString &ip, const QString &mac) {
        m_asked.append(ip + QLatin1Char(' ') + mac);
        return m_answer;
    };
    m_window = std::make_unique<FormMain>(options);
    m_f->prompt.reset();

    PresetRecord known;
    known.id = 1;
    known.ipAddress = KnownIp;
    known.macAddress = QStringLiteral("00-0A-E4-00-00-0A");
    m_window->recordList().setRecords({known});
    for (const auto &[ip, mac] : QList<QPair<QString, QString>>{
             {KnownIp, known.macAddress}, {StrayIp, StrayMac}, {OtherIp, OtherMac}}) {
        ScanRow row;
        row.number = QString::number(m_window->scanList().count() + 1);
        row.ipAddress = ip;
        row.macAddress = mac;
        m_window->scanList().appendScanRow(row);
    }
}

void TestAcknowledgeWindow::cleanup()
{
    m_window.reset();
    m_f.reset();
}

void TestAcknowledgeWindow::analyzeAll()
{
    m_window->menus()->action(QStringLiteral("JSmenu4"))->trigger();
    QVERIFY(m_window->analysisList().count() > 0);
}

void TestAcknowledgeWindow::trigger(const char *name)
{
    // Found where the user finds them: in the Analyze menu, which is also
    // the analysis list's pop-up.
    QAction *action =
        m_window->menus()->menu(QStringLiteral("JSmenu"))->findChild<QAction *>(QLatin1String(name));
    QVERIFY2(action, name);
    action->trigger();
}

QList<int> TestAcknowledgeWindow::rowsOf(const QString &ip) const
{
    QList<int> rows;
    const AnalysisListModel &list = m_window->analysisList();
    for (int row = 0; row < list.count(); ++row) {
        if (list.entry(row).ip == ip)
            rows.append(row);
    }
    return rows;
}

void TestAcknowledgeWindow::analysisMarksStoredAcknowledgements()
{
    const AcknowledgementStore store{RecordStore(m_f->dataFolder())};
    QVERIFY(store.add({StrayIp,
                       StrayMac,
                       QStringLiteral("lab"),
                       QStringLiteral("ops"),
                       QDateTime::currentDateTimeUtc(),
                       {}}));
    // Expired: counts as absent.
    QVERIFY(store.add({OtherIp,
                       OtherMac,
                       {},
                       QStringLiteral("ops"),
                       QDateTime::currentDateTimeUtc().addDays(-2),
                       QDateTime::currentDateTimeUtc().addDays(-1)}));
    analyzeAll();
    const AnalysisListModel &list = m_window->analysisList();
    QVERIFY(!rowsOf(StrayIp).isEmpty());
    QVERIFY(!rowsOf(OtherIp).isEmpty());
    for (int row = 0; row < list.count(); ++row)
        QCOMPARE(list.isAcknowledged(row), list.entry(row).ip == StrayIp);
    QVERIFY(m_f->prompt.requests().isEmpty());
}

void TestAcknowledgeWindow::acknowledgeAndWithdraw()
{
    analyzeAll();
    AnalysisListModel &list = m_window->analysisList();
    const QList<int> stray = rowsOf(StrayIp);
    QVERIFY(stray.size() >= 2); // both rules speak of it
    list.setCurrentRow(stray.last());
    m_answer = AcknowledgeDialog::Answer{QStringLiteral("the lab's printer"), QDate(2999, 12, 31)};

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    trigger("AcknowledgeFinding");
    QCOMPARE(m_asked, QStringList{StrayIp + QLatin1Char(' ') + StrayMac});
    const Result<QList<Acknowledgement>> stored = AcknowledgementStore(RecordStore(m_f->dataFolder())).all();
    QVERIFY2(stored, qPrintable(stored.error()));
    QCOMPARE(stored->size(), 1);
    const Acknowledgement &ack = stored->first();
    QCOMPARE(ack.ip, StrayIp);
    QCOMPARE(ack.mac, StrayMac);
    QCOMPARE(ack.note, QStringLiteral("the lab's printer"));
    QVERIFY(!ack.by.isEmpty());
    QVERIFY(ack.at >= before);
    QCOMPARE(ack.until, Acknowledgement::endOfDay(QDate(2999, 12, 31)));
    // Every row of the pair is greyed, the highlighted one and the others.
    for (int row = 0; row < list.count(); ++row)
        QCOMPARE(list.isAcknowledged(row), stray.contains(row));

    trigger("WithdrawAcknowledgement");
    QVERIFY(AcknowledgementStore(RecordStore(m_f->dataFolder())).all()->isEmpty());
    for (int row = 0; row < list.count(); ++row)
        QVERIFY(!list.isAcknowledged(row));
    QVERIFY(m_f->prompt.requests().isEmpty());

    trigger("WithdrawAcknowledgement");
    QCOMPARE(m_f->prompt.lastRequest().text, QLatin1String(AcknowledgeCommands::NotAcknowledgedText));
}

void TestAcknowledgeWindow::cancelledStoresNothing()
{
    analyzeAll();
    m_window->analysisList().setCurrentRow(rowsOf(OtherIp).first());
    trigger("AcknowledgeFinding");
    QCOMPARE(m_asked, QStringList{OtherIp + QLatin1Char(' ') + OtherMac});
    QVERIFY(AcknowledgementStore(RecordStore(m_f->dataFolder())).all()->isEmpty());
    for (int row = 0; row < m_window->analysisList().count(); ++row)
        QVERIFY(!m_window->analysisList().isAcknowledged(row));
}

void TestAcknowledgeWindow::needsAHighlightedFinding_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::newRow("acknowledge") << QByteArray("AcknowledgeFinding");
    QTest::newRow("withdraw") << QByteArray("WithdrawAcknowledgement");
}

void TestAcknowledgeWindow::needsAHighlightedFinding()
{
    QFETCH(QByteArray, action);
    analyzeAll();
    m_window->analysisList().setCurrentRow(-1);
    trigger(action.constData());
    QVERIFY(m_asked.isEmpty());
    QCOMPARE(m_f->prompt.requests().size(), 1);
    QCOMPARE(m_f->prompt.lastRequest().text, QLatin1String(AcknowledgeCommands::NoFindingText));
}

void TestAcknowledgeWindow::dialogAnswers()
{
    const QDate today(2026, 12, 8);
    AcknowledgeDialog dialog(StrayIp, StrayMac, today);
    auto *note = dialog.findChild<QLineEdit *>(QStringLiteral("NoteEdit"));
    auto *untilCheck = dialog.findChild<QCheckBox *>(QStringLiteral("UntilCheck"));
    auto *until = dialog.findChild<QDateEdit *>(QStringLiteral("UntilDate"));
    QVERIFY(note && untilCheck && until);

    // For ever unless an expiry is ticked; the date waits disabled.
    QVERIFY(!until->isEnabled());
    AcknowledgeDialog::Answer answer = dialog.answer();
    QVERIFY(answer.note.isEmpty());
    QVERIFY(!answer.lastDay);

    note->setText(QStringLiteral("  known  "));
    untilCheck->setChecked(true);
    QVERIFY(until->isEnabled());
    until->setDate(today.addDays(30));
    answer = dialog.answer();
    QCOMPARE(answer.note, QStringLiteral("known"));
    QCOMPARE(answer.lastDay, std::optional<QDate>(today.addDays(30)));

    // No expiry in the past.
    until->setDate(today.addDays(-1));
    QCOMPARE(dialog.answer().lastDay, std::optional<QDate>(today));
}

QTEST_MAIN(TestAcknowledgeWindow)
#include "TestAcknowledgeWindow.moc"
