#include "records/RecordStoreSession.h"
#include "tests/support/RecordFixture.h"
#include "tests/support/StoreEngines.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <unistd.h>

Q_DECLARE_METATYPE(BatchItem)
Q_DECLARE_METATYPE(RecordStore::Refusal)

class TestRecordStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
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
    void modifyActsOnTheCurrentRow_data();
    void modifyActsOnTheCurrentRow();
    void unusableDatabase_data();
    void unusableDatabase();
    void readOnlyDatabase();
    void lockedDatabase();
    void noConnectionOutlivesAnOperation();
    void writeUnlessTaken_data();
    void writeUnlessTaken();
    void writeBatch_data();
    void writeBatch();
    void failedBatchWritesNothing();

private:
    PresetRecord add(const QString &ip, const QString &mac, const QString &host = {})
    {
        return m_f->add(ip, mac, host);
    }

    StoreEngines m_engines;
    std::unique_ptr<RecordFixture> m_f;
    RecordStore *m_store = nullptr;
};

void TestRecordStore::initTestCase_data()
{
    StoreEngines::addRows();
}

void TestRecordStore::init()
{
    if (const QString reason = StoreEngines::skipReason(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Result<PostgresServer *> server = m_engines.server();
    QVERIFY2(server, qPrintable(server.error()));
    m_f = std::make_unique<RecordFixture>(*server);
    QVERIFY(m_f->isValid());
    m_store = &m_f->store();
}

void TestRecordStore::newFolderGetsBothTables()
{
    if (m_f->onServer())
        QSKIP("a property of the SQLite file");
    RecordStore store(m_f->filePath(QStringLiteral("new/folder")));
    QVERIFY(store.loadAll().ok());
    QVERIFY(QFile::exists(m_f->filePath(QStringLiteral("new/folder/kestrel.mdb"))));
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
        RecordStore store(m_f->folder() + QLatin1Char('/'));
        QVERIFY(store.loadAll());
        QCOMPARE(store.databasePath(), m_f->folder() + QStringLiteral("/kestrel.mdb"));
    }
}

void TestRecordStore::emptyTableGivesEmptyList()
{
    RecordListModel list;
    list.appendRow({{"stale"}, false, 0, {}});
    RecordCommands commands(*m_store, list, m_f->prompt(), m_f->state());
    QVERIFY(commands.addLIST());
    QCOMPARE(list.count(), 0);
    QVERIFY(m_f->prompt().requests().isEmpty());
}

void TestRecordStore::nullFieldsReadAsEmptyText()
{
    QVERIFY(m_store->loadAll());
    QVERIFY(
        m_f->exec(QStringLiteral("INSERT INTO T_Record (IPAddress, MACAddress) VALUES ('10.0.0.1', NULL)")));
    RecordListModel &list = m_f->list();
    RecordCommands &commands = m_f->commands();
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
    QCOMPARE(m_store->deleteRecords({2, 5}).ok(), true);
    QCOMPARE(*m_store->deleteRecords({2, 5, 3}), 1);
    // A new record does not take a deleted ID, not even the last one.
    QCOMPARE(add(QStringLiteral("10.0.0.6"), QStringLiteral("00-00-00-00-00-06")).id, 6);
    QCOMPARE(add(QStringLiteral("10.0.0.3"), QStringLiteral("00-00-00-00-00-03")).id, 7);

    RecordListModel &list = m_f->list();
    RecordCommands &commands = m_f->commands();
    QVERIFY(commands.addLIST());
    QStringList numbers, ids;
    for (int row = 0; row < list.count(); ++row) {
        numbers.append(list.text(row, RecordListModel::NumberColumn));
        ids.append(list.idText(row));
        QCOMPARE(list.row(row).iconIndex, RecordListModel::RecordIcon);
    }
    QCOMPARE(numbers, QStringList({"1", "2", "3", "4"}));
    QCOMPARE(ids, QStringList({"1", "4", "6", "7"}));
}

void TestRecordStore::duplicateProbesIgnoreCaseAndSkipTheRecordItself()
{
    const PresetRecord a = add(QStringLiteral("10.0.0.1"), QStringLiteral("00-0a-e4-20-53-55"));
    QCOMPARE(*m_store->isMacTaken(QStringLiteral("00-0A-E4-20-53-55"), 0), true);
    QCOMPARE(*m_store->isMacTaken(QStringLiteral("00-0A-E4-20-53-55"), a.id), false);
    QCOMPARE(*m_store->isIpTaken(QStringLiteral("10.0.0.1"), 0), true);
    QCOMPARE(*m_store->isIpTaken(QStringLiteral("10.0.0.2"), 0), false);
}

void TestRecordStore::valuesAreBoundNotPasted()
{
    const QString nasty = QStringLiteral("x'); DROP TABLE T_Record; --");
    PresetRecord r = add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"), nasty);
    const Result<bool> taken = m_store->isIpTaken(QStringLiteral("' OR '1'='1"), 0);
    QVERIFY(taken);
    QVERIFY(!*taken);
    const Result<std::optional<PresetRecord>> back = m_store->recordById(r.id);
    QVERIFY(back && *back);
    QCOMPARE((*back)->hostName, nasty);
    QVERIFY(m_store->recordById(r.id + 1) && !*m_store->recordById(r.id + 1));
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
    RecordListModel &list = m_f->list();
    RecordCommands &commands = m_f->commands();
    QVERIFY(commands.addLIST());
    for (int row : ticked)
        list.setChecked(row, true);
    for (PromptAnswer a : answers)
        m_f->prompt().queueAnswer(a);
    commands.deleteSelected();

    QStringList asked;
    for (const PromptRequest &r : m_f->prompt().requests()) {
        asked.append(r.text);
        QCOMPARE(r.title, QStringLiteral("Notice"));
    }
    QCOMPARE(asked, texts);
    if (!ticked.isEmpty()) {
        const PromptRequest question = m_f->prompt().requests().first();
        QCOMPARE(question.buttons, PromptButtons::OkCancel);
        QCOMPARE(question.defaultAnswer, PromptAnswer::Cancel);
        QCOMPARE(question.icon, PromptIcon::Information);
    } else {
        QCOMPARE(m_f->prompt().lastRequest().icon, PromptIcon::Exclamation);
    }
    QCOMPARE(list.count(), left);
    QCOMPARE(m_store->loadAll()->size(), left);
}

void TestRecordStore::deleteSkipsRecordsThatAreGone()
{
    for (int i = 1; i <= 3; ++i)
        add(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("00-00-00-00-00-0%1").arg(i));
    RecordListModel &list = m_f->list();
    RecordCommands &commands = m_f->commands();
    QVERIFY(commands.addLIST());
    list.setAllChecked(true);
    QVERIFY(m_store->deleteRecords({2})); // another path
    m_f->prompt().queueAnswer(PromptAnswer::Ok);
    QCOMPARE(commands.deleteSelected(), std::optional<int>(2));
    QCOMPARE(m_f->prompt().lastRequest().text, QStringLiteral("Successfully deleted 2 records "));
    QCOMPARE(list.count(), 0);

    RecordListModel empty;
    RecordCommands onEmpty(*m_store, empty, m_f->prompt(), m_f->state());
    m_f->prompt().reset();
    QCOMPARE(onEmpty.deleteSelected(), std::nullopt);
    QVERIFY(m_f->prompt().requests().isEmpty());
    QVERIFY(!onEmpty.beginModify());
}

void TestRecordStore::modifyActsOnTheCurrentRow_data()
{
    QTest::addColumn<int>("highlighted"); // -1: no row highlighted
    QTest::addColumn<bool>("sorted");     // by IP, descending
    QTest::addColumn<QString>("modifiedIp");
    QTest::newRow("highlighted row") << 1 << false << "10.0.0.2";
    QTest::newRow("none highlighted: the first row") << -1 << false << "10.0.0.1";
    QTest::newRow("none highlighted, sorted: the top row") << -1 << true << "10.0.0.3";
}

void TestRecordStore::modifyActsOnTheCurrentRow()
{
    QFETCH(int, highlighted);
    QFETCH(bool, sorted);
    QFETCH(QString, modifiedIp);
    for (int i = 1; i <= 3; ++i)
        add(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("00-00-00-00-00-0%1").arg(i));
    RecordListModel &list = m_f->list();
    QVERIFY(m_f->commands().addLIST());
    if (sorted)
        list.sortByColumn(RecordListModel::IpColumn, SortKind::Text, Qt::DescendingOrder);
    list.setCurrentRow(highlighted);
    QVERIFY(m_f->commands().beginModify());
    const int row = list.currentRow();
    QVERIFY(row >= 0); // the list highlights the row the editor works on
    QCOMPARE(list.text(row, RecordListModel::IpColumn), modifiedIp);
    QCOMPARE(m_f->state().CurrentRecordId, list.idText(row));
    QVERIFY(m_f->prompt().requests().isEmpty());
}

void TestRecordStore::unusableDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not a database") << QByteArray("this is a text file, not a database\n").repeated(200);
    QTest::newRow("truncated header") << QByteArray("SQLite format 3\0", 16);
}

void TestRecordStore::unusableDatabase()
{
    if (m_f->onServer())
        QSKIP("a property of the SQLite file");
    QFETCH(QByteArray, content);
    QFile file(m_store->databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    RecordListModel list;
    list.appendRow({{"1", "10.9.9.9"}, false, 3, {}});
    RecordCommands commands(*m_store, list, m_f->prompt(), m_f->state());
    QVERIFY(!commands.addLIST());
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.text(0, 1), QStringLiteral("10.9.9.9"));
    QCOMPARE(m_f->prompt().requests().size(), 1);
    QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
    QVERIFY(m_f->prompt().lastRequest().text.contains(QStringLiteral("kestrel.mdb")));
    // The file is left as it was: nothing was created over it.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestRecordStore::readOnlyDatabase()
{
    if (m_f->onServer())
        QSKIP("a property of the SQLite file");
    add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    QFile::setPermissions(m_store->databasePath(), QFile::ReadOwner | QFile::ReadGroup);
    if (::geteuid() == 0)
        QSKIP("root writes read-only files");

    RecordListModel &list = m_f->list();
    RecordCommands &commands = m_f->commands();
    QVERIFY(commands.addLIST());
    QCOMPARE(list.count(), 1);

    PresetRecord r;
    r.ipAddress = QStringLiteral("10.0.0.2");
    r.macAddress = QStringLiteral("00-00-00-00-00-02");
    const Result<PresetRecord> added = m_store->insertRecord(r);
    QVERIFY(!added);
    QVERIFY(!added.error().isEmpty());
    list.setAllChecked(true);
    m_f->prompt().queueAnswer(PromptAnswer::Ok);
    QCOMPARE(commands.deleteSelected(), std::nullopt);
    QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
    QCOMPARE(list.count(), 1);
}

void TestRecordStore::lockedDatabase()
{
    add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-01"));
    RecordListModel &list = m_f->list();
    RecordCommands &commands = m_f->commands();
    QVERIFY(commands.addLIST());
    if (m_f->onServer()) {
        // Another program holds T_Record locked for longer than the store waits:
        // writes fail with the server's words, reads go on.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("locker"));
        QVERIFY(m_store->server()->apply(db));
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY(lock.exec(QStringLiteral("BEGIN")));
        QVERIFY(lock.exec(QStringLiteral("LOCK TABLE T_Record IN EXCLUSIVE MODE")));
        list.setAllChecked(true);
        m_f->prompt().queueAnswer(PromptAnswer::Ok);
        QCOMPARE(commands.deleteSelected(), std::nullopt);
        QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
        QVERIFY2(m_f->prompt().lastRequest().text.contains(QStringLiteral("lock timeout")),
                 qPrintable(m_f->prompt().lastRequest().text));
        QVERIFY(commands.addLIST());
        QCOMPARE(list.count(), 1);
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
    } else {
        // Another program holds the file locked for as long as the store waits.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(m_store->databasePath());
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        list.setAllChecked(true);
        m_f->prompt().queueAnswer(PromptAnswer::Ok);
        QCOMPARE(commands.deleteSelected(), std::nullopt);
        QCOMPARE(m_f->prompt().lastRequest().title, QStringLiteral("Error"));
        QVERIFY2(m_f->prompt().lastRequest().text.contains(QStringLiteral("database is locked")),
                 qPrintable(m_f->prompt().lastRequest().text));
        QVERIFY(!commands.addLIST());
        QVERIFY2(m_f->prompt().lastRequest().text.contains(QStringLiteral("database is locked")),
                 qPrintable(m_f->prompt().lastRequest().text));
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
    QVERIFY(m_store->isIpTaken(QStringLiteral("10.0.0.1"), 0));
    QVERIFY(m_store->writeBatch({}));
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    // Another store on the same file sees the writes at once.
    RecordStore other(m_f->folder(), m_store->server());
    QCOMPARE(other.loadAll()->size(), 1);
}

namespace {

// "ID IP MAC host user" of every record in ID order.
QStringList rows(const RecordStore &store)
{
    QStringList lines;
    const Result<QList<PresetRecord>> records = store.loadAll();
    for (const PresetRecord &r : *records)
        lines.append(
            QStringLiteral("%1 %2 %3 %4 %5").arg(r.id).arg(r.ipAddress, r.macAddress, r.hostName, r.user));
    return lines;
}

BatchItem item(const char *ip, const char *mac, const char *host, BatchItem::MatchBy matchBy,
               BatchItem::OnDuplicate onDuplicate, int fields = PresetRecord::FieldCount)
{
    BatchItem item;
    item.record = PresetRecord::fromFields({QLatin1String(ip), QLatin1String(mac), QLatin1String(host)});
    item.record.user = QStringLiteral("u-") + QLatin1String(host);
    item.matchBy = matchBy;
    item.onDuplicate = onDuplicate;
    item.overwrittenFields = fields;
    return item;
}

constexpr auto ByIp = BatchItem::MatchBy::IpAddress;
constexpr auto ByMac = BatchItem::MatchBy::MacAddress;
constexpr auto Skip = BatchItem::OnDuplicate::Skip;
constexpr auto Overwrite = BatchItem::OnDuplicate::Overwrite;

} // namespace

void TestRecordStore::writeUnlessTaken_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<bool>("probeIp");
    QTest::addColumn<bool>("probeMac");
    QTest::addColumn<RecordStore::Refusal>("refusal");

    using R = RecordStore::Refusal;
    // Stored: 1 = 10.0.0.1 / 00-00-00-00-00-0A, 2 = 10.0.0.2 / 00-00-00-00-00-0B.
    QTest::newRow("new, both free") << qint64(0) << "10.0.0.3"
                                    << "00-00-00-00-00-0C" << true << true << R::None;
    QTest::newRow("new, both taken: IP first") << qint64(0) << "10.0.0.1"
                                               << "00-00-00-00-00-0b" << true << true << R::IpTaken;
    QTest::newRow("new, MAC taken in other case") << qint64(0) << "10.0.0.3"
                                                  << "00-00-00-00-00-0b" << true << true << R::MacTaken;
    QTest::newRow("new, taken but not probed") << qint64(0) << "10.0.0.1"
                                               << "00-00-00-00-00-0A" << false << false << R::None;
    QTest::newRow("update to another's IP") << qint64(1) << "10.0.0.2"
                                            << "00-00-00-00-00-0A" << true << false << R::IpTaken;
    QTest::newRow("update keeps its own values") << qint64(1) << "10.0.0.1"
                                                 << "00-00-00-00-00-0a" << true << true << R::None;
    QTest::newRow("update of a deleted ID") << qint64(9) << "10.0.0.9"
                                            << "00-00-00-00-00-09" << true << true << R::Gone;
}

void TestRecordStore::writeUnlessTaken()
{
    QFETCH(qint64, id);
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    QFETCH(bool, probeIp);
    QFETCH(bool, probeMac);
    QFETCH(RecordStore::Refusal, refusal);

    add(QStringLiteral("10.0.0.1"), QStringLiteral("00-00-00-00-00-0A"));
    add(QStringLiteral("10.0.0.2"), QStringLiteral("00-00-00-00-00-0B"));
    const QStringList before = rows(*m_store);
    const PresetRecord record = PresetRecord::fromFields({ip, mac, QStringLiteral("host")}, id);
    const Result<RecordStore::WriteOutcome> written = m_store->writeUnlessTaken(record, probeIp, probeMac);
    QVERIFY2(written, qPrintable(written.error()));
    QCOMPARE(written->refusal, refusal);
    if (refusal != RecordStore::Refusal::None) {
        QCOMPARE(rows(*m_store), before);
        return;
    }
    QCOMPARE(written->record.hostName, QStringLiteral("host"));
    QCOMPARE(written->record.id, id ? id : 3);
    const Result<std::optional<PresetRecord>> back = m_store->recordById(written->record.id);
    QVERIFY(back && *back);
    QCOMPARE((*back)->fields(), written->record.fields());
}

void TestRecordStore::writeBatch_data()
{
    QTest::addColumn<QStringList>("stored"); // "IP MAC host", user "u-" + host
    QTest::addColumn<QList<BatchItem>>("items");
    QTest::addColumn<QList<int>>("counts"); // added, overwritten, skipped
    QTest::addColumn<QStringList>("after"); // "ID IP MAC host user"

    QTest::newRow("new records in order")
        << QStringList{}
        << QList<BatchItem>{item("10.0.0.1", "M1", "a", ByIp, Skip), item("10.0.0.2", "M2", "b", ByMac, Skip)}
        << QList<int>{2, 0, 0} << QStringList{"1 10.0.0.1 M1 a u-a", "2 10.0.0.2 M2 b u-b"};
    QTest::newRow("same IP twice, skip: the second sees the first")
        << QStringList{}
        << QList<BatchItem>{item("10.0.0.1", "M1", "a", ByIp, Skip), item("10.0.0.1", "M2", "b", ByIp, Skip)}
        << QList<int>{1, 0, 1} << QStringList{"1 10.0.0.1 M1 a u-a"};
    QTest::newRow("same MAC twice, overwrite")
        << QStringList{}
        << QList<BatchItem>{item("10.0.0.1", "M1", "a", ByMac, Overwrite),
                            item("10.0.0.2", "M1", "b", ByMac, Overwrite)}
        << QList<int>{1, 1, 0} << QStringList{"1 10.0.0.2 M1 b u-b"};
    QTest::newRow("the key matches in any case")
        << QStringList{"10.0.0.1 aa-bb x"} << QList<BatchItem>{item("10.0.0.9", "AA-BB", "a", ByMac, Skip)}
        << QList<int>{0, 0, 1} << QStringList{"1 10.0.0.1 aa-bb x u-x"};
    QTest::newRow("match by IP does not probe the MAC")
        << QStringList{"10.0.0.1 M1 x"} << QList<BatchItem>{item("10.0.0.2", "M1", "a", ByIp, Skip)}
        << QList<int>{1, 0, 0} << QStringList{"1 10.0.0.1 M1 x u-x", "2 10.0.0.2 M1 a u-a"};
    QTest::newRow("four fields overwritten, the rest kept")
        << QStringList{"10.0.0.1 M1 x"} << QList<BatchItem>{item("10.0.0.1", "M2", "a", ByIp, Overwrite, 4)}
        << QList<int>{0, 1, 0} << QStringList{"1 10.0.0.1 M2 a u-x"};
    QTest::newRow("all fields overwritten")
        << QStringList{"10.0.0.1 M1 x"} << QList<BatchItem>{item("10.0.0.1", "M2", "a", ByIp, Overwrite)}
        << QList<int>{0, 1, 0} << QStringList{"1 10.0.0.1 M2 a u-a"};
    QTest::newRow("only the first match is overwritten")
        << QStringList{"10.0.0.1 M1 x", "10.0.0.1 M2 y"}
        << QList<BatchItem>{item("10.0.0.1", "M3", "a", ByIp, Overwrite)} << QList<int>{0, 1, 0}
        << QStringList{"1 10.0.0.1 M3 a u-a", "2 10.0.0.1 M2 y u-y"};
}

void TestRecordStore::writeBatch()
{
    QFETCH(QStringList, stored);
    QFETCH(QList<BatchItem>, items);
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, after);

    for (const QString &line : std::as_const(stored)) {
        const QStringList f = line.split(QLatin1Char(' '));
        PresetRecord r = PresetRecord::fromFields(f);
        r.user = QStringLiteral("u-") + f.at(2);
        QVERIFY(m_store->insertRecord(r));
    }
    const Result<BatchOutcome> outcome = m_store->writeBatch(items);
    QVERIFY2(outcome, qPrintable(outcome.error()));
    QCOMPARE(QList<int>({outcome->added(), outcome->overwritten(), outcome->skipped()}), counts);
    QCOMPARE(outcome->actions.size(), items.size());
    QCOMPARE(outcome->ids.size(), items.size());
    QCOMPARE(rows(*m_store), after);
}

void TestRecordStore::failedBatchWritesNothing()
{
    add(QStringLiteral("10.0.0.1"), QStringLiteral("M1"), QStringLiteral("x"));
    // A fault in the middle of the batch, after two items were written.
    if (m_f->onServer())
        QVERIFY(
            m_f->exec({QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                      "IF NEW.HostName = 'boom' THEN RAISE EXCEPTION 'the disk is full'; "
                                      "END IF; RETURN NEW; END $$"),
                       QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON T_Record FOR EACH ROW "
                                      "EXECUTE FUNCTION refuse()")}));
    else
        QVERIFY(m_f->exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON T_Record WHEN NEW.HostName = 'boom' "
                           "BEGIN SELECT RAISE(ABORT, 'the disk is full'); END")));
    const QStringList before = rows(*m_store);
    const Result<BatchOutcome> outcome = m_store->writeBatch(
        {item("10.0.0.1", "M9", "a", ByIp, Overwrite), item("10.0.0.2", "M2", "b", ByIp, Skip),
         item("10.0.0.3", "M3", "boom", ByIp, Skip), item("10.0.0.4", "M4", "c", ByIp, Skip)});
    QVERIFY(!outcome);
    QVERIFY2(outcome.error().contains(QStringLiteral("the disk is full")), qPrintable(outcome.error()));
    QVERIFY(outcome.error().contains(m_f->onServer() ? m_store->server()->database()
                                                     : QStringLiteral("kestrel.mdb")));
    QCOMPARE(rows(*m_store), before);
}

QTEST_GUILESS_MAIN(TestRecordStore)
#include "TestRecordStore.moc"
