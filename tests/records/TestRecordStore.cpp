#include "ProgramState.h"
#include "RecordCommands.h"
#include "RecordListModel.h"
#include "RecordStore.h"
#include "ScriptedPrompt.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

class TestRecordStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void newFolderGetsBothTables();
    void databasePath_data();
    void databasePath();
    void emptyTableGivesEmptyList();
    void nullFieldsReadAsEmptyText();
    void numberingIsContiguousAfterDeletes();
    void duplicateProbesIgnoreCaseAndSkipTheRecordItself();
    void valuesAreBoundNotPasted();
    void deleteSelected_data();
    void deleteSelected();
    void deleteSkipsRecordsThatAreGone();
    void unusableDatabase_data();
    void unusableDatabase();
    void readOnlyDatabase();
    void lockedDatabase();
    void noConnectionOutlivesAnOperation();

private:
    PresetRecord add(const QString &ip, const QString &mac, const QString &host = {});
    void execRaw(const QString &statement);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordStore> m_store;
    ScriptedPrompt m_prompt;
    ProgramState m_state;
};

void TestRecordStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RecordStore>(m_dir->path());
    m_prompt.reset();
    m_state = {};
}

PresetRecord TestRecordStore::add(const QString &ip, const QString &mac, const QString &host)
{
    PresetRecord r;
    r.ipAddress = ip;
    r.macAddress = mac;
    r.hostName = host;
    if (!m_store->insertRecord(&r))
        qFatal("insert failed: %s", qPrintable(m_store->lastError()));
    return r;
}

void TestRecordStore::execRaw(const QString &statement)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(m_store->databasePath());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

void TestRecordStore::newFolderGetsBothTables()
{
    RecordStore store(m_dir->filePath(QStringLiteral("new/folder")));
    QVERIFY(store.loadAll().has_value());
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("new/folder/kestrel.mdb"))));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(store.databasePath());
        QVERIFY(db.open());
        QCOMPARE(db.tables().contains(QStringLiteral("T_Record")), true);
        QCOMPARE(db.tables().contains(QStringLiteral("T_set")), true);
        QSqlQuery query(QStringLiteral("SELECT check1, check2, check3, check4, check5, mins FROM T_set"), db);
        QVERIFY(query.isActive());
        QVERIFY(!query.next());
        QSqlQuery journal(QStringLiteral("PRAGMA journal_mode"), db);
        QVERIFY(journal.next());
        QCOMPARE(journal.value(0).toString(), QStringLiteral("delete"));
        const QStringList order = {"ID",   "IPAddress",  "MACAddress", "HostName",     "Workgroup",
                                   "User", "Department", "Location",   "laninterface", "Comments"};
        QSqlQuery columns(QStringLiteral("PRAGMA table_info(T_Record)"), db);
        QStringList names;
        while (columns.next())
            names.append(columns.value(1).toString());
        QCOMPARE(names, order);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

void TestRecordStore::databasePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("no separator") << "/data/nk"
                                  << "/data/nk/kestrel.mdb";
    QTest::newRow("ends in separator") << "/data/nk/"
                                       << "/data/nk/kestrel.mdb";
    QTest::newRow("root") << "/"
                          << "/kestrel.mdb";
}

void TestRecordStore::databasePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QCOMPARE(RecordStore::databasePath(folder), path);
    // A folder given with the separator works as well as without.
    if (folder != QLatin1String("/")) {
        RecordStore store(m_dir->path() + QLatin1Char('/'));
        QVERIFY(store.loadAll());
        QCOMPARE(store.databasePath(), m_dir->path() + QStringLiteral("/kestrel.mdb"));
    }
}

void TestRecordStore::emptyTableGivesEmptyList()
{
    RecordListModel list;
    list.appendRow({{"stale"}, false, 0, {}});
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    QCOMPARE(list.count(), 0);
    QVERIFY(m_prompt.requests().isEmpty());
}

void TestRecordStore::nullFieldsReadAsEmptyText()
{
    QVERIFY(m_store->loadAll());
    execRaw(QStringLiteral("INSERT INTO T_Record (IPAddress, MACAddress) VALUES ('10.0.0.1', NULL)"));
    RecordListModel list;
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.text(0, 1), QStringLiteral("10.0.0.1"));
    for (int c = 2; c <= 9; ++c) {
        QVERIFY(list.data(list.index(0, c)).toString().isEmpty());
    }
    QCOMPARE(list.record(0).macAddress, QString());
}

void TestRecordStore::numberingIsContiguousAfterDeletes()
{
    for (int i = 1; i <= 5; ++i)
        add(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("00-00-00-00-00-0%1").arg(i));
    int deleted = 0;
    QVERIFY(m_store->deleteRecords({2, 5}, &deleted));
    QCOMPARE(deleted, 2);
    // A new record does not take a deleted ID, not even the last one.
    QCOMPARE(add(QStringLiteral("10.0.0.6"), QStringLiteral("00-00-00-00-00-06")).id, 6);

    RecordListModel list;
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    QStringList numbers, ids;
    for (int row = 0; row < list.count(); ++row) {
        numbers.append(list.text(row, RecordListModel::NumberColumn));
        ids.append(list.idText(row));
        QCOMPARE(list.row(row).iconIndex, RecordListModel::RecordIcon);
    }
    QCOMPARE(numbers, QStringList({"1", "2", "3", "4"}));
    QCOMPARE(ids, QStringList({"1", "3", "4", "6"}));
}

void TestRecordStore::duplicateProbesIgnoreCaseAndSkipTheRecordItself()
{
    const PresetRecord a = add(QStringLiteral("10.0.0.1"), QStringLiteral("00-0a-e4-20-53-55"));
    bool taken = false;
    QVERIFY(m_store->isMacTaken(QStringLiteral("00-0A-E4-20-53-55"), 0, &taken));
    QVERIFY(taken);
    QVERIFY(m_store->isMacTaken(QStringLiteral("00-0A-E4-20-53-55"), a.id, &taken));
    QVERIFY(!taken);
    QVERIFY(m_store->isIpTaken(QStringLiteral("10.0.0.1"), 0, &taken));
    QVERIFY(taken);
    QVERIFY(m_store->isIpTaken(QStringLiteral("10.0.0.2"), 0, &taken));
    QVERIFY(!taken);
}

void TestRecordStore::valuesAreBoundNotPasted()
{
    const QString nasty = QStringLiteral("x'); DROP TABLE T_Record; --");
    PresetRecord r = add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"), nasty);
    bool taken = true;
    QVERIFY(m_store->isIpTaken(QStringLiteral("' OR '1'='1"), 0, &taken));
    QVERIFY(!taken);
    std::optional<PresetRecord> back;
    QVERIFY(m_store->recordById(r.id, &back));
    QVERIFY(back);
    QCOMPARE(back->hostName, nasty);
}

void TestRecordStore::deleteSelected_data()
{
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QList<PromptAnswer>>("answers");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("left");

    const QString confirm = QStringLiteral(
        "You are going to delete all the selected items from Database list? \r\nConfirm it before continue.");
    QTest::newRow("three ticked") << QList<int>{0, 2, 3} << QList<PromptAnswer>{PromptAnswer::Ok}
                                  << QStringList{confirm, "Successfully deleted 3 records "} << 1;
    QTest::newRow("cancelled") << QList<int>{1} << QList<PromptAnswer>{PromptAnswer::Cancel}
                               << QStringList{confirm} << 4;
    QTest::newRow("none ticked") << QList<int>{} << QList<PromptAnswer>{}
                                 << QStringList{"No records were selected."} << 4;
}

void TestRecordStore::deleteSelected()
{
    QFETCH(QList<int>, ticked);
    QFETCH(QList<PromptAnswer>, answers);
    QFETCH(QStringList, texts);
    QFETCH(int, left);

    for (int i = 1; i <= 4; ++i)
        add(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("00-00-00-00-00-0%1").arg(i));
    RecordListModel list;
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    for (int row : ticked)
        list.setChecked(row, true);
    for (PromptAnswer a : answers)
        m_prompt.queueAnswer(a);
    commands.deleteSelected();

    QStringList asked;
    for (const PromptRequest &r : m_prompt.requests()) {
        asked.append(r.text);
        QCOMPARE(r.title, QStringLiteral("Notice"));
    }
    QCOMPARE(asked, texts);
    if (!ticked.isEmpty()) {
        const PromptRequest question = m_prompt.requests().first();
        QCOMPARE(question.buttons, PromptButtons::OkCancel);
        QCOMPARE(question.defaultAnswer, PromptAnswer::Cancel);
        QCOMPARE(question.icon, PromptIcon::Information);
    } else {
        QCOMPARE(m_prompt.lastRequest().icon, PromptIcon::Exclamation);
    }
    QCOMPARE(list.count(), left);
    QCOMPARE(m_store->loadAll()->size(), left);
}

void TestRecordStore::deleteSkipsRecordsThatAreGone()
{
    for (int i = 1; i <= 3; ++i)
        add(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("00-00-00-00-00-0%1").arg(i));
    RecordListModel list;
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    list.setAllChecked(true);
    int deleted = 0;
    QVERIFY(m_store->deleteRecords({2}, &deleted)); // another path
    m_prompt.queueAnswer(PromptAnswer::Ok);
    QCOMPARE(commands.deleteSelected(), std::optional<int>(2));
    QCOMPARE(m_prompt.lastRequest().text, QStringLiteral("Successfully deleted 2 records "));
    QCOMPARE(list.count(), 0);

    RecordListModel empty;
    RecordCommands onEmpty(*m_store, empty, m_prompt, m_state);
    m_prompt.reset();
    QCOMPARE(onEmpty.deleteSelected(), std::nullopt);
    QVERIFY(m_prompt.requests().isEmpty());
    QVERIFY(!onEmpty.beginModify());
}

void TestRecordStore::unusableDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not a database") << QByteArray("this is a text file, not a database\n").repeated(200);
    QTest::newRow("truncated header") << QByteArray("SQLite format 3\0", 16);
}

void TestRecordStore::unusableDatabase()
{
    QFETCH(QByteArray, content);
    QFile file(m_store->databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    RecordListModel list;
    list.appendRow({{"1", "10.9.9.9"}, false, 3, {}});
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(!commands.addLIST());
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.text(0, 1), QStringLiteral("10.9.9.9"));
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("Error"));
    QVERIFY(m_prompt.lastRequest().text.contains(QStringLiteral("kestrel.mdb")));
    // The file is left as it was: nothing was created over it.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestRecordStore::readOnlyDatabase()
{
    add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    QFile::setPermissions(m_store->databasePath(), QFile::ReadOwner | QFile::ReadGroup);
    if (::geteuid() == 0)
        QSKIP("root writes read-only files");

    RecordListModel list;
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    QCOMPARE(list.count(), 1);

    PresetRecord r;
    r.ipAddress = QStringLiteral("10.0.0.2");
    r.macAddress = QStringLiteral("00-00-00-00-00-02");
    QVERIFY(!m_store->insertRecord(&r));
    QVERIFY(!m_store->lastError().isEmpty());
    list.setAllChecked(true);
    m_prompt.queueAnswer(PromptAnswer::Ok);
    QCOMPARE(commands.deleteSelected(), std::nullopt);
    QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("Error"));
    QCOMPARE(list.count(), 1);
}

void TestRecordStore::lockedDatabase()
{
    add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    RecordListModel list;
    RecordCommands commands(*m_store, list, m_prompt, m_state);
    QVERIFY(commands.addLIST());
    {
        // Another program holds the file locked for as long as the store waits.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(m_store->databasePath());
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        list.setAllChecked(true);
        m_prompt.queueAnswer(PromptAnswer::Ok);
        QCOMPARE(commands.deleteSelected(), std::nullopt);
        QCOMPARE(m_prompt.lastRequest().title, QStringLiteral("Error"));
        QVERIFY(!commands.addLIST());
        QCOMPARE(list.count(), 1);
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    QCOMPARE(m_store->loadAll()->size(), 1);
}

void TestRecordStore::noConnectionOutlivesAnOperation()
{
    add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    QVERIFY(m_store->loadAll());
    bool taken = false;
    QVERIFY(m_store->isIpTaken(QStringLiteral("10.0.0.1"), 0, &taken));
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    // Another store on the same file sees the writes at once.
    RecordStore other(m_dir->path());
    QCOMPARE(other.loadAll()->size(), 1);
}

QTEST_GUILESS_MAIN(TestRecordStore)
#include "TestRecordStore.moc"
