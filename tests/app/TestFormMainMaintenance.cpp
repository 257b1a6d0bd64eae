#include "app/parts/MainMenus.h"
#include "lists/RecordListModel.h"
#include "records/DatabaseMaintenance.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedFileDialog.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTest>

// The window's backup, recovery and compaction, driven offscreen by the
// object names of their menu items, pop-up entries and button, with the file
// dialog and the questions answered in advance.
class TestFormMainMaintenance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void backupRecoveryAndCompaction();
    void recoveryDeclined_data();
    void recoveryDeclined();

private:
    void trigger(const char *name) { m_window->menus()->action(QLatin1String(name))->trigger(); }
    void addRecord(int n);
    QStringList backups() const;

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<FormMain> m_window;
    ScriptedFileDialog m_fileDialog;
};

void TestFormMainMaintenance::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    QVERIFY(storeAutoScanOff(m_f->dataFolder()));
    addRecord(1);
    addRecord(2);
    FormMain::Options options = m_f->options();
    m_fileDialog = {};
    options.fileDialog = &m_fileDialog;
    m_window = std::make_unique<FormMain>(options);
    QCOMPARE(m_window->recordList().count(), 2);
    m_f->prompt.reset();
}

void TestFormMainMaintenance::cleanup()
{
    m_window.reset();
    m_f.reset();
}

void TestFormMainMaintenance::addRecord(int n)
{
    PresetRecord record;
    record.ipAddress = QStringLiteral("198.18.9.%1").arg(n);
    record.macAddress = QStringLiteral("00-0A-E4-00-09-%1").arg(n, 2, 10, QLatin1Char('0'));
    QVERIFY(RecordStore(m_f->dataFolder()).insertRecord(record).ok());
}

QStringList TestFormMainMaintenance::backups() const
{
    return QDir(m_f->dataFolder()).entryList({QStringLiteral("*_Backup.KSBK")}, QDir::Files);
}

void TestFormMainMaintenance::backupRecoveryAndCompaction()
{
    auto *backupButton = m_window->findChild<QPushButton *>(QStringLiteral("CmdBack"));
    QVERIFY(backupButton);
    backupButton->click();
    QCOMPARE(backups().size(), 1);
    const QString backup = QDir(m_f->dataFolder()).filePath(backups().first());
    PromptRequest said = m_f->prompt.lastRequest();
    QCOMPARE(said.title, QStringLiteral("Notice"));
    QCOMPARE(said.text, QStringLiteral("Database is successfully backup to:") + backup);
    QCOMPARE(said.icon, PromptIcon::Information);

    addRecord(3);
    m_fileDialog.answer(backup);
    m_f->prompt.reset();
    m_f->prompt.queueAnswer(PromptAnswer::Yes);
    trigger("menuPopD13");
    QCOMPARE(m_fileDialog.requests().size(), 1);
    const FileDialogRequest &asked = m_fileDialog.requests().constFirst();
    QCOMPARE(asked.mode, FileDialogMode::Open);
    QCOMPARE(QStringList({asked.title, asked.startFolder, asked.filter}),
             QStringList({"Recovery is running ...", m_f->dataFolder(), "Backup (*.KSBK)|*.KSBK"}));
    QCOMPARE(m_f->prompt.requests().size(), 2);
    const PromptRequest question = m_f->prompt.requests().first();
    QCOMPARE(question.text, QStringLiteral("Recovery will take place the current data, continue??"));
    QCOMPARE(question.buttons, PromptButtons::YesNo);
    QCOMPARE(question.defaultAnswer, PromptAnswer::Yes);
    QCOMPARE(m_f->prompt.lastRequest().text, QStringLiteral("Complete Database Recovery!"));
    QCOMPARE(m_window->recordList().count(), 2);
    QCOMPARE(RecordStore(m_f->dataFolder()).loadAll()->size(), 2);

    m_f->prompt.reset();
    trigger("BAmenu11");
    said = m_f->prompt.lastRequest();
    QCOMPARE(said.text, QStringLiteral("Successfully compress database!"));
    QCOMPARE(said.icon, PromptIcon::Exclamation);
    QCOMPARE(RecordStore(m_f->dataFolder()).loadAll()->size(), 2);
    QVERIFY(!QFileInfo::exists(DatabaseMaintenance(m_f->dataFolder()).scratchPath()));
}

void TestFormMainMaintenance::recoveryDeclined_data()
{
    QTest::addColumn<bool>("chooses");  // else the dialog is cancelled
    QTest::addColumn<int>("questions"); // prompts shown
    QTest::newRow("dialog cancelled") << false << 0;
    QTest::newRow("answered No") << true << 1;
}

void TestFormMainMaintenance::recoveryDeclined()
{
    QFETCH(bool, chooses);
    QFETCH(int, questions);
    trigger("BAmenu9");
    QCOMPARE(backups().size(), 1);
    addRecord(3);
    m_f->prompt.reset();
    m_f->prompt.queueAnswer(PromptAnswer::No);
    m_fileDialog.answer(chooses ? QDir(m_f->dataFolder()).filePath(backups().first()) : QString());
    trigger("BAmenu10");
    QCOMPARE(m_f->prompt.requests().size(), questions);
    QCOMPARE(RecordStore(m_f->dataFolder()).loadAll()->size(), 3);
}

QTEST_MAIN(TestFormMainMaintenance)
#include "TestFormMainMaintenance.moc"
