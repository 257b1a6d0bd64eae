#include "records/RecordEditor.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/StoreEngines.h"

#include <QFile>
#include <QTest>

class TestRecordEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void init();
    void refusals_data();
    void refusals();
    void addThenSaveAgainUpdatesTheSameRecord();
    void modifyUnchangedNeedsNoProbe();
    void modifyToTakenIpIsRefusedBeforeMac();
    void storedLowerCaseMacDoesNotBlockItsOwnSave();
    void modifyOnDeletedRecordReportsItGone();
    void leavingBoxes();
    void addButtonKeepsCaptionAndId();
    void unreadableDatabaseIsReportedOnce();
    void concurrentSave_data();
    void concurrentSave();
    void concurrentDelete_data();
    void concurrentDelete();

private:
    qint64 addRecord(const QString &ip, const QString &mac);
    static QStringList boxes(const QString &ip, const QString &mac, const QString &host = {});

    StoreEngines m_engines;
    std::unique_ptr<RecordFixture> m_f;
    RecordStore *m_store = nullptr;
    int m_reloads = 0;
};

void TestRecordEditor::initTestCase_data()
{
    StoreEngines::addRows();
}

void TestRecordEditor::init()
{
    if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Result<PostgresServer *> server = m_engines.server();
    QVERIFY2(server, qPrintable(server.error()));
    m_f = std::make_unique<RecordFixture>(*server);
    QVERIFY(m_f->isValid());
    m_store = &m_f->store();
    m_reloads = 0;
}

QStringList TestRecordEditor::boxes(const QString &ip, const QString &mac, const QString &host)
{
    return {ip, mac, host, {}, {}, {}, {}, {}, {}};
}

qint64 TestRecordEditor::addRecord(const QString &ip, const QString &mac)
{
    return m_f->add(ip, mac).id;
}

void TestRecordEditor::refusals_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("focus");

    const QString empty = QStringLiteral("IP & MAC can not be empty!");
    const QString badMac = QStringLiteral(
        "Invalid MAC address. MAC address should be \r\ndisplayed as [00-0A-E4-20-53-55] format");
    QTest::newRow("ip blank") << "   "
                              << "00-0A-E4-20-53-55"
                              << "Notice" << empty << 0;
    QTest::newRow("mac empty") << "10.0.0.1"
                               << ""
                               << "Notice" << empty << 1;
    QTest::newRow("ip rule") << "10.0.0.256"
                             << "00-0A-E4-20-53-55"
                             << "Error"
                             << "Invalid IP address." << 0;
    QTest::newRow("mac rule") << "10.0.0.1"
                              << "00:0A:E4:20:53:55"
                              << "Error" << badMac << 1;
    QTest::newRow("ip taken") << "10.0.0.7"
                              << "00-0A-E4-20-53-56"
                              << "Notice"
                              << "[10.0.0.7] already exists in Record. This IP" << -1;
    QTest::newRow("mac taken, any case") << "10.0.0.8"
                                         << "00-aa-bb-cc-dd-ee"
                                         << "Notice"
                                         << "[00-AA-BB-CC-DD-EE] already exists in Record. This MAC" << -1;
}

void TestRecordEditor::refusals()
{
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, focus);

    addRecord(QStringLiteral("10.0.0.7"), QStringLiteral("00-AA-BB-CC-DD-EE"));
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state(), [this] { ++m_reloads; });
    editor.open();
    QStringList texts = boxes(ip, mac);
    const RecordEditor::SaveOutcome outcome = editor.save(&texts);
    QCOMPARE(outcome.result, RecordEditor::SaveResult::Refused);
    QCOMPARE(outcome.focusBox, focus);
    QCOMPARE(m_f->prompt().requests().size(), 1);
    QCOMPARE(m_f->prompt().lastRequest().title, title);
    QCOMPARE(m_f->prompt().lastRequest().text, text);
    QCOMPARE(m_f->prompt().lastRequest().icon, PromptIcon::Exclamation);
    QCOMPARE(m_f->prompt().lastRequest().buttons, PromptButtons::Ok);
    QCOMPARE(editor.mode(), RecordEditor::Mode::Add);
    QCOMPARE(m_store->loadAll()->size(), 1);
    QCOMPARE(m_reloads, 0);
    QVERIFY(m_f->state().CurrentRecordId.isEmpty());
}

void TestRecordEditor::addThenSaveAgainUpdatesTheSameRecord()
{
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state(), [this] { ++m_reloads; });
    QVERIFY(editor.open()->join(QString()).isEmpty());
    QCOMPARE(editor.caption(), QStringLiteral("Add to Record"));
    QStringList texts =
        boxes(QStringLiteral("10.0.0.1"), QStringLiteral("00-0a-e4-20-53-55"), QStringLiteral("  pc1  "));
    texts[8] = QStringLiteral("   ");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(texts.at(1), QStringLiteral("00-0A-E4-20-53-55"));
    QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("successful"));
    QCOMPARE(m_f->prompt().lastRequest().text, QStringLiteral("Successfully saved"));
    QCOMPARE(m_f->prompt().lastRequest().icon, PromptIcon::Information);
    QCOMPARE(editor.mode(), RecordEditor::Mode::Modify);
    QCOMPARE(editor.caption(), QStringLiteral("Add to Record"));
    const QString id = m_f->state().CurrentRecordId;
    QVERIFY(!id.isEmpty());

    texts[2] = QStringLiteral("pc1-renamed");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(m_f->state().CurrentRecordId, id);
    const auto all = m_store->loadAll();
    QCOMPARE(all->size(), 1);
    QCOMPARE(all->first().macAddress, QStringLiteral("00-0A-E4-20-53-55"));
    QCOMPARE(all->first().hostName, QStringLiteral("pc1-renamed"));
    QCOMPARE(all->first().comments, QString());
    QCOMPARE(m_reloads, 2);
}

void TestRecordEditor::modifyUnchangedNeedsNoProbe()
{
    // Two records that already share an IP (as an import can leave them):
    // saving one of them unchanged still succeeds.
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-02"));
    m_f->state().CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state());
    QStringList texts = *editor.open();
    QCOMPARE(editor.caption(), QStringLiteral("Modify the Record"));
    QCOMPARE(texts.at(0), QStringLiteral("10.0.0.1"));
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(m_f->prompt().requests().size(), 1);
}

void TestRecordEditor::modifyToTakenIpIsRefusedBeforeMac()
{
    addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    const qint64 id = addRecord(QStringLiteral("10.0.0.2"), QStringLiteral("00-00-00-00-00-02"));
    m_f->state().CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state());
    QStringList texts = *editor.open();
    texts[0] = QStringLiteral("10.0.0.1");
    texts[1] = QStringLiteral("00-00-00-00-00-01");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Refused);
    QCOMPARE(m_f->prompt().requests().size(), 1);
    QCOMPARE(m_f->prompt().lastRequest().text,
             QStringLiteral("[10.0.0.1] already exists in Record. This IP"));
    const auto stored = m_store->recordById(id);
    QVERIFY(stored && *stored);
    QCOMPARE((*stored)->ipAddress, QStringLiteral("10.0.0.2"));
}

void TestRecordEditor::storedLowerCaseMacDoesNotBlockItsOwnSave()
{
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-0a-e4-20-53-55"));
    m_f->state().CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state());
    QStringList texts = *editor.open();
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    const auto stored = m_store->recordById(id);
    QVERIFY(stored && *stored);
    QCOMPARE((*stored)->macAddress, QStringLiteral("00-0A-E4-20-53-55"));
    QCOMPARE(editor.loadedMac(), QStringLiteral("00-0A-E4-20-53-55"));
}

void TestRecordEditor::modifyOnDeletedRecordReportsItGone()
{
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    m_f->state().CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state(), [this] { ++m_reloads; });
    QStringList texts = *editor.open();
    QVERIFY(m_store->deleteRecords({id})); // another path
    texts[2] = QStringLiteral("changed");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Refused);
    QCOMPARE(m_f->prompt().lastRequest().text, QLatin1String(RecordEditor::RecordGoneText));
    QVERIFY(m_store->loadAll()->isEmpty());
    QCOMPARE(m_reloads, 0);

    // Opened on an ID that is already gone: empty boxes, and Save refuses too.
    RecordEditor late(*m_store, m_f->prompt(), m_f->state());
    QStringList lateTexts = *late.open();
    QVERIFY(lateTexts.join(QString()).isEmpty());
    lateTexts = boxes(QStringLiteral("10.0.0.5"), QStringLiteral("00-00-00-00-00-05"));
    QCOMPARE(late.save(&lateTexts).result, RecordEditor::SaveResult::Refused);
    QVERIFY(m_store->loadAll()->isEmpty());
}

void TestRecordEditor::leavingBoxes()
{
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state());
    editor.open();
    QVERIFY(!editor.ipBoxLeft(QString()));
    QCOMPARE(m_f->prompt().lastRequest().text, QStringLiteral("Invalid IP address."));
    QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
    QVERIFY(editor.ipBoxLeft(QStringLiteral("10.0.0.1")));
    QCOMPARE(editor.macBoxLeft(QStringLiteral("00-0a-e4-20-53-55")).value_or(QString()),
             QStringLiteral("00-0A-E4-20-53-55"));
    QVERIFY(!editor.macBoxLeft(QStringLiteral("00-0g-e4-20-53-55")));
    QCOMPARE(m_f->prompt().requests().size(), 2);
}

void TestRecordEditor::addButtonKeepsCaptionAndId()
{
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    m_f->state().CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state());
    editor.open();
    QStringList texts = editor.startAdd();
    QCOMPARE(editor.mode(), RecordEditor::Mode::Add);
    QCOMPARE(editor.caption(), QStringLiteral("Modify the Record"));
    QCOMPARE(m_f->state().CurrentRecordId, QString::number(id));
    texts = boxes(QStringLiteral("10.0.0.2"), QStringLiteral("00-00-00-00-00-02"));
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(m_store->loadAll()->size(), 2);
    QVERIFY(m_f->state().CurrentRecordId != QString::number(id));
}

void TestRecordEditor::unreadableDatabaseIsReportedOnce()
{
    if (m_f->onServer())
        QSKIP("a property of the SQLite file");
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    QFile file(m_f->databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("no database here\n").repeated(100));
    file.close();
    m_f->state().CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_f->prompt(), m_f->state(), [this] { ++m_reloads; });
    QCOMPARE(editor.open(), std::nullopt);
    QCOMPARE(editor.mode(), RecordEditor::Mode::Modify);
    QCOMPARE(m_f->prompt().requests().size(), 1);
    QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
    QVERIFY2(m_f->prompt().lastRequest().text.contains(QStringLiteral("file is not a database")),
             qPrintable(m_f->prompt().lastRequest().text));
    QVERIFY(!m_f->prompt().lastRequest().text.contains(QStringLiteral("Parameter count")));
    QCOMPARE(m_reloads, 0);
}

void TestRecordEditor::concurrentSave_data()
{
    QTest::addColumn<int>("otherBox"); // the box the other user changes
    QTest::addColumn<QString>("otherText");
    QTest::newRow("IP") << RecordEditor::IpBox << QStringLiteral("10.0.0.9");
    QTest::newRow("MAC") << RecordEditor::MacBox << QStringLiteral("00-0A-E4-20-53-99");
    QTest::newRow("comments") << RecordEditor::BoxCount - 1 << QStringLiteral("moved to room 2");
}

void TestRecordEditor::concurrentSave()
{
    QFETCH(int, otherBox);
    QFETCH(QString, otherText);

    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-0A-E4-20-53-55"));
    m_f->state().CurrentRecordId = QString::number(id);
    // Two administrators open the same record.
    RecordEditor mine(*m_store, m_f->prompt(), m_f->state(), [this] { ++m_reloads; });
    ScriptedPrompt otherPrompt;
    ProgramState otherState;
    otherState.CurrentRecordId = QString::number(id);
    RecordEditor theirs(*m_store, otherPrompt, otherState);
    std::optional<QStringList> myBoxes = mine.open();
    std::optional<QStringList> theirBoxes = theirs.open();
    QVERIFY(myBoxes && theirBoxes);

    (*theirBoxes)[otherBox] = otherText;
    QCOMPARE(theirs.save(&*theirBoxes).result, RecordEditor::SaveResult::Saved);
    const PresetRecord saved = **m_store->recordById(id);

    (*myBoxes)[2] = QStringLiteral("my-host");
    QCOMPARE(mine.save(&*myBoxes).result, RecordEditor::SaveResult::Refused);
    QCOMPARE(m_reloads, 0);
    QCOMPARE(m_f->prompt().requests().size(), 1);
    const QString text = m_f->prompt().lastRequest().text;
    QVERIFY2(text.contains(QStringLiteral("changed by someone else")), qPrintable(text));
    QVERIFY2(text.contains(otherText), qPrintable(text));
    QCOMPARE((*m_store->recordById(id))->fields(), saved.fields());

    // Told what the other saved, the user may replace it.
    QCOMPARE(mine.save(&*myBoxes).result, RecordEditor::SaveResult::Saved);
    QCOMPARE((*m_store->recordById(id))->hostName, QStringLiteral("my-host"));
    QCOMPARE(m_reloads, 1);
    // And the other, in turn, is told.
    (*theirBoxes)[2] = QStringLiteral("their-host");
    QCOMPARE(theirs.save(&*theirBoxes).result, RecordEditor::SaveResult::Refused);
    QVERIFY(otherPrompt.lastRequest().text.contains(QStringLiteral("my-host")));
}

void TestRecordEditor::concurrentDelete_data()
{
    QTest::addColumn<bool>("otherChanges");
    QTest::addColumn<bool>("otherDeletes");
    QTest::newRow("nobody else") << false << false;
    QTest::newRow("another changed one") << true << false;
    QTest::newRow("another deleted one") << false << true;
}

void TestRecordEditor::concurrentDelete()
{
    QFETCH(bool, otherChanges);
    QFETCH(bool, otherDeletes);

    for (int i = 1; i <= 3; ++i)
        addRecord(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("00-00-00-00-00-0%1").arg(i));
    RecordCommands &commands = m_f->commands();
    QVERIFY(commands.addLIST());
    m_f->list().setChecked(0, true);
    m_f->list().setChecked(2, true);
    if (otherChanges) {
        PresetRecord changed = **m_store->recordById(3);
        changed.comments = QStringLiteral("still in use");
        QVERIFY(*m_store->updateRecord(changed));
    }
    if (otherDeletes)
        QCOMPARE(*m_store->deleteRecords({3}), 1);

    m_f->prompt().queueAnswer(PromptAnswer::Ok);
    const std::optional<int> deleted = commands.deleteSelected();
    const QString text = m_f->prompt().lastRequest().text;
    if (otherChanges) {
        QCOMPARE(deleted, std::nullopt);
        QVERIFY2(text.contains(QStringLiteral("Nothing was deleted")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("ID 3: ")) && text.contains(QStringLiteral("still in use")),
                 qPrintable(text));
        QCOMPARE(m_store->loadAll()->size(), 3);
        // The list shows the record as it is now.
        QCOMPARE(m_f->list().record(2).comments, QStringLiteral("still in use"));
    } else {
        QCOMPARE(deleted, std::optional<int>(otherDeletes ? 1 : 2));
        QCOMPARE(m_store->loadAll()->size(), 1);
    }
}

QTEST_GUILESS_MAIN(TestRecordEditor)
#include "TestRecordEditor.moc"
