#include "ProgramState.h"
#include "RecordEditor.h"
#include "RecordStore.h"
#include "ScriptedPrompt.h"

#include <QTemporaryDir>
#include <QTest>

class TestRecordEditor : public QObject
{
    Q_OBJECT

private slots:
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

private:
    qint64 addRecord(const QString &ip, const QString &mac);
    static QStringList boxes(const QString &ip, const QString &mac, const QString &host = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordStore> m_store;
    ScriptedPrompt m_prompt;
    ProgramState m_state;
    int m_reloads = 0;
};

void TestRecordEditor::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RecordStore>(m_dir->path());
    m_prompt.reset();
    m_state = {};
    m_reloads = 0;
}

QStringList TestRecordEditor::boxes(const QString &ip, const QString &mac, const QString &host)
{
    return {ip, mac, host, {}, {}, {}, {}, {}, {}};
}

qint64 TestRecordEditor::addRecord(const QString &ip, const QString &mac)
{
    PresetRecord r;
    r.ipAddress = ip;
    r.macAddress = mac;
    if (!m_store->insertRecord(&r))
        qFatal("insert failed");
    return r.id;
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
    RecordEditor editor(*m_store, m_prompt, m_state, [this] { ++m_reloads; });
    editor.open();
    QStringList texts = boxes(ip, mac);
    const RecordEditor::SaveOutcome outcome = editor.save(&texts);
    QCOMPARE(outcome.result, RecordEditor::SaveResult::Refused);
    QCOMPARE(outcome.focusBox, focus);
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.lastRequest().title, title);
    QCOMPARE(m_prompt.lastRequest().text, text);
    QCOMPARE(m_prompt.lastRequest().icon, PromptIcon::Exclamation);
    QCOMPARE(m_prompt.lastRequest().buttons, PromptButtons::Ok);
    QCOMPARE(editor.mode(), RecordEditor::Mode::Add);
    QCOMPARE(m_store->loadAll()->size(), 1);
    QCOMPARE(m_reloads, 0);
    QVERIFY(m_state.CurrentRecordId.isEmpty());
}

void TestRecordEditor::addThenSaveAgainUpdatesTheSameRecord()
{
    RecordEditor editor(*m_store, m_prompt, m_state, [this] { ++m_reloads; });
    QVERIFY(editor.open().join(QString()).isEmpty());
    QCOMPARE(editor.caption(), QStringLiteral("Add to Record"));
    QStringList texts =
        boxes(QStringLiteral("10.0.0.1"), QStringLiteral("00-0a-e4-20-53-55"), QStringLiteral("  pc1  "));
    texts[8] = QStringLiteral("   ");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(texts.at(1), QStringLiteral("00-0A-E4-20-53-55"));
    QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("successful"));
    QCOMPARE(m_prompt.lastRequest().text, QStringLiteral("Successfully saved"));
    QCOMPARE(m_prompt.lastRequest().icon, PromptIcon::Information);
    QCOMPARE(editor.mode(), RecordEditor::Mode::Modify);
    QCOMPARE(editor.caption(), QStringLiteral("Add to Record"));
    const QString id = m_state.CurrentRecordId;
    QVERIFY(!id.isEmpty());

    texts[2] = QStringLiteral("pc1-renamed");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(m_state.CurrentRecordId, id);
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
    m_state.CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_prompt, m_state);
    QStringList texts = editor.open();
    QCOMPARE(editor.caption(), QStringLiteral("Modify the Record"));
    QCOMPARE(texts.at(0), QStringLiteral("10.0.0.1"));
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(m_prompt.requests().size(), 1);
}

void TestRecordEditor::modifyToTakenIpIsRefusedBeforeMac()
{
    addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    const qint64 id = addRecord(QStringLiteral("10.0.0.2"), QStringLiteral("00-00-00-00-00-02"));
    m_state.CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_prompt, m_state);
    QStringList texts = editor.open();
    texts[0] = QStringLiteral("10.0.0.1");
    texts[1] = QStringLiteral("00-00-00-00-00-01");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Refused);
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.lastRequest().text, QStringLiteral("[10.0.0.1] already exists in Record. This IP"));
    std::optional<PresetRecord> stored;
    QVERIFY(m_store->recordById(id, &stored));
    QCOMPARE(stored->ipAddress, QStringLiteral("10.0.0.2"));
}

void TestRecordEditor::storedLowerCaseMacDoesNotBlockItsOwnSave()
{
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-0a-e4-20-53-55"));
    m_state.CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_prompt, m_state);
    QStringList texts = editor.open();
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    std::optional<PresetRecord> stored;
    QVERIFY(m_store->recordById(id, &stored));
    QCOMPARE(stored->macAddress, QStringLiteral("00-0A-E4-20-53-55"));
    QCOMPARE(editor.loadedMac(), QStringLiteral("00-0A-E4-20-53-55"));
}

void TestRecordEditor::modifyOnDeletedRecordReportsItGone()
{
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    m_state.CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_prompt, m_state, [this] { ++m_reloads; });
    QStringList texts = editor.open();
    int deleted = 0;
    QVERIFY(m_store->deleteRecords({id}, &deleted)); // another path
    texts[2] = QStringLiteral("changed");
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Refused);
    QCOMPARE(m_prompt.lastRequest().text, QLatin1String(RecordEditor::RecordGoneText));
    QVERIFY(m_store->loadAll()->isEmpty());
    QCOMPARE(m_reloads, 0);

    // Opened on an ID that is already gone: empty boxes, and Save refuses too.
    RecordEditor late(*m_store, m_prompt, m_state);
    QStringList lateTexts = late.open();
    QVERIFY(lateTexts.join(QString()).isEmpty());
    lateTexts = boxes(QStringLiteral("10.0.0.5"), QStringLiteral("00-00-00-00-00-05"));
    QCOMPARE(late.save(&lateTexts).result, RecordEditor::SaveResult::Refused);
    QVERIFY(m_store->loadAll()->isEmpty());
}

void TestRecordEditor::leavingBoxes()
{
    RecordEditor editor(*m_store, m_prompt, m_state);
    editor.open();
    QVERIFY(!editor.ipBoxLeft(QString()));
    QCOMPARE(m_prompt.lastRequest().text, QStringLiteral("Invalid IP address."));
    QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("Error"));
    QVERIFY(editor.ipBoxLeft(QStringLiteral("10.0.0.1")));
    QString mac = QStringLiteral("00-0a-e4-20-53-55");
    QVERIFY(editor.macBoxLeft(&mac));
    QCOMPARE(mac, QStringLiteral("00-0A-E4-20-53-55"));
    mac = QStringLiteral("00-0g-e4-20-53-55");
    QVERIFY(!editor.macBoxLeft(&mac));
    QCOMPARE(mac, QStringLiteral("00-0g-e4-20-53-55"));
    QCOMPARE(m_prompt.requests().size(), 2);
}

void TestRecordEditor::addButtonKeepsCaptionAndId()
{
    const qint64 id = addRecord(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    m_state.CurrentRecordId = QString::number(id);
    RecordEditor editor(*m_store, m_prompt, m_state);
    editor.open();
    QStringList texts = editor.startAdd();
    QCOMPARE(editor.mode(), RecordEditor::Mode::Add);
    QCOMPARE(editor.caption(), QStringLiteral("Modify the Record"));
    QCOMPARE(m_state.CurrentRecordId, QString::number(id));
    texts = boxes(QStringLiteral("10.0.0.2"), QStringLiteral("00-00-00-00-00-02"));
    QCOMPARE(editor.save(&texts).result, RecordEditor::SaveResult::Saved);
    QCOMPARE(m_store->loadAll()->size(), 2);
    QVERIFY(m_state.CurrentRecordId != QString::number(id));
}

QTEST_GUILESS_MAIN(TestRecordEditor)
#include "TestRecordEditor.moc"
