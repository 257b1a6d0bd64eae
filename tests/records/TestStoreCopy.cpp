#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "lists/ScanRow.h"
#include "records/AcknowledgementStore.h"
#include "records/RecordStore.h"
#include "tests/support/CliProcess.h"
#include "tests/support/PostgresServer.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// netkestrel-cli db copy between the embedded file and a PostgreSQL server of
// the test's own, both ways: the records, the host history, the change
// events and the acknowledgements arrive whole, the copied history goes on
// as the original would, and a copy that fails leaves the target as it was.
class TestStoreCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void copyKeepsEverything_data();
    void copyKeepsEverything();
    void targetWithHistoryIsKept();
    void failedCopyChangesNothing();

private:
    RecordStore serverStore() const { return RecordStore(m_dir.path(), m_server->databaseUrl(m_database)); }
    RecordStore fileStore() const { return RecordStore::onFile(m_dir.filePath(QStringLiteral("plan.mdb"))); }
    QString fileArgument() const { return m_dir.filePath(QStringLiteral("plan.mdb")); }
    static CliProcess::Run copy(const QString &from, const QString &to, bool replace);

    QString m_unavailable;
    std::unique_ptr<PostgresServer> m_server;
    QTemporaryDir m_dir;
    QString m_database;
    QString m_url;
};

namespace {

const QDateTime T1(QDate(2026, 5, 1), QTime(6, 30), Qt::UTC);
const QDateTime T2(QDate(2026, 5, 2), QTime(6, 30), Qt::UTC);
const QDateTime T3(QDate(2026, 7, 9), QTime(8, 0), Qt::UTC);

ScanRow row(const QString &ip, const QString &mac, const QString &host = {})
{
    ScanRow r;
    r.number = QStringLiteral("1");
    r.ipAddress = ip;
    r.macAddress = mac;
    r.hostName = host;
    return r;
}

// Everything a store keeps, one line a row, in a stable order.
QStringList contents(const RecordStore &store)
{
    QStringList lines;
    const Result<QList<PresetRecord>> records = store.loadAll();
    const Result<QList<HistoryEntry>> history = HistoryReader(store).entries({});
    const Result<QList<ChangeEvent>> changes = HistoryReader(store).changes();
    const Result<QList<Acknowledgement>> acks = AcknowledgementStore(store).all();
    if (!records || !history || !changes || !acks) {
        QTest::qFail("the store cannot be read", __FILE__, __LINE__);
        return {};
    }
    for (const PresetRecord &r : *records)
        lines.append(
            QStringLiteral("record %1 %2 %3 %4").arg(r.id).arg(r.ipAddress, r.macAddress, r.hostName));
    for (const HistoryEntry &e : *history)
        lines.append(QStringList{QStringLiteral("history"), e.ipAddress, e.macAddress,
                                 HistoryTime::text(e.firstSeen), HistoryTime::text(e.lastSeen),
                                 QString::number(e.scanCount), e.hostName, e.workgroup, e.vendor}
                         .join(QLatin1Char('|')));
    for (const ChangeEvent &c : *changes)
        lines.append(QStringList{QStringLiteral("change"), HistoryTime::text(c.time),
                                 ChangeEvent::kindWord(c.kind), c.ipAddress, c.macAddress, c.otherMac,
                                 HistoryTime::text(c.otherTime), c.hostName}
                         .join(QLatin1Char('|')));
    for (const Acknowledgement &a : *acks)
        lines.append(QStringList{QStringLiteral("ack"), a.ip, a.mac, a.note, a.by,
                                 Acknowledgement::isoText(a.at), Acknowledgement::isoText(a.until)}
                         .join(QLatin1Char('|')));
    return lines;
}

// Two scans a day apart: new stations, a changed MAC, a randomised one.
void fill(const RecordStore &store)
{
    PresetRecord printer;
    printer.ipAddress = QStringLiteral("198.18.9.10");
    printer.macAddress = QStringLiteral("00-0A-E4-00-00-0A");
    printer.hostName = QStringLiteral("PRINTER");
    QVERIFY(store.insertRecord(printer));
    QVERIFY(HistoryRecorder(store, [] { return T1; })
                .record({row("198.18.9.10", "00-0A-E4-00-00-0A", "PRINTER"),
                         row("198.18.9.20", "00-0A-E4-00-00-14")}));
    QVERIFY(HistoryRecorder(store, [] {
                return T2;
            }).record({row("198.18.9.10", "00-0A-E4-00-00-0A"), row("198.18.9.20", "06-0A-E4-00-00-14")}));
    QVERIFY(AcknowledgementStore(store).add(
        {QStringLiteral("198.18.9.20"), QStringLiteral("06-0A-E4-00-00-14"),
         QStringLiteral("the \"lab\" phone, Zoë's"), QStringLiteral("ops"), T2, T3}));
    QVERIFY(
        AcknowledgementStore(store).add({QStringLiteral("198.18.9.30"), QStringLiteral("00-0A-E4-00-00-1E"),
                                         QString(), QStringLiteral("ops"), T1, QDateTime()}));
}

// Adds a column to T_History of the file, past the store.
bool addColumn(const QString &file, const QString &name)
{
    bool added = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("column"));
        db.setDatabaseName(file);
        added = db.open() &&
                QSqlQuery(db).exec(QStringLiteral("ALTER TABLE T_History ADD COLUMN %1 TEXT").arg(name));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("column"));
    return added;
}

} // namespace

void TestStoreCopy::initTestCase()
{
    m_unavailable = PostgresServer::unavailableReason();
    if (!m_unavailable.isEmpty())
        return;
    QVERIFY2(QFile::exists(CliProcess::program()), qPrintable(CliProcess::program()));
    QVERIFY(m_dir.isValid());
    m_server = std::make_unique<PostgresServer>();
    const Result<> started = m_server->start();
    QVERIFY2(started, qPrintable(started.error()));
}

void TestStoreCopy::init()
{
    if (!m_unavailable.isEmpty())
        QSKIP(qPrintable(m_unavailable));
    const Result<QString> database = m_server->createDatabase();
    QVERIFY2(database, qPrintable(database.error()));
    m_database = *database;
    m_url = m_server->url(m_database);
    QFile::remove(fileArgument());
}

CliProcess::Run TestStoreCopy::copy(const QString &from, const QString &to, bool replace)
{
    QStringList arguments{QStringLiteral("db"),     QStringLiteral("copy"),
                          QStringLiteral("--from"), from,
                          QStringLiteral("--to"),   to};
    if (replace)
        arguments.append(QStringLiteral("--replace"));
    return CliProcess::run(arguments);
}

void TestStoreCopy::copyKeepsEverything_data()
{
    QTest::addColumn<bool>("fromServer");
    QTest::addColumn<bool>("crafted"); // the file declares a column whose name is SQL
    QTest::newRow("file to server") << false << false;
    QTest::newRow("server to file") << true << false;
    QTest::newRow("crafted file to server") << false << true;
}

void TestStoreCopy::copyKeepsEverything()
{
    QFETCH(bool, fromServer);
    QFETCH(bool, crafted);
    const RecordStore source = fromServer ? serverStore() : fileStore();
    const RecordStore target = fromServer ? fileStore() : serverStore();
    fill(source);
    if (crafted)
        QVERIFY(
            addColumn(fileArgument(), QStringLiteral("\"Vendor) VALUES (NULL, NULL, NULL, NULL, NULL, "
                                                     "NULL, NULL, NULL, NULL); DROP TABLE T_Record; --\"")));
    const QStringList original = contents(source);

    const CliProcess::Run run = fromServer ? copy(m_url, fileArgument(), false)
                                           : copy(fileArgument(), m_url, false);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY2(
        run.err.contains(
            QStringLiteral("Copied 1 records, 3 history pairs, 5 change events and 2 acknowledgements to %1.")
                .arg(target.location())),
        qPrintable(run.err));
    QCOMPARE(contents(target), original);

    // The copy goes on as the original would: a scan two months later finds
    // the same events on both.
    const QList<ScanRow> later{row("198.18.9.10", "00-0A-E4-00-00-0A"),
                               row("198.18.9.20", "00-0A-E4-00-00-14")};
    const Result<QList<ChangeEvent>> onSource = HistoryRecorder(source, [] { return T3; }).record(later);
    const Result<QList<ChangeEvent>> onTarget = HistoryRecorder(target, [] { return T3; }).record(later);
    QVERIFY(onSource && onTarget);
    QVERIFY(!onSource->isEmpty());
    QStringList sourceTexts;
    QStringList targetTexts;
    for (const ChangeEvent &event : *onSource)
        sourceTexts.append(event.text());
    for (const ChangeEvent &event : *onTarget)
        targetTexts.append(event.text());
    QCOMPARE(targetTexts, sourceTexts);
    QCOMPARE(contents(target), contents(source));
}

void TestStoreCopy::targetWithHistoryIsKept()
{
    // No records on the server, but a history and an acknowledgement.
    const RecordStore server = serverStore();
    QVERIFY(HistoryRecorder(server, [] { return T1; }).record({row("198.18.9.99", "00-0A-E4-00-00-63")}));
    const QStringList before = contents(server);
    fill(fileStore());

    const CliProcess::Run refused = copy(fileArgument(), m_url, false);
    QCOMPARE(refused.status, 1);
    QVERIFY2(
        refused.err.contains(QStringLiteral("The target already holds a host history or acknowledgements. "
                                            "Give --replace to replace them.")),
        qPrintable(refused.err));
    QCOMPARE(contents(server), before);

    const CliProcess::Run replaced = copy(fileArgument(), m_url, true);
    QVERIFY2(replaced.status == 0, qPrintable(replaced.err));
    QCOMPARE(contents(server), contents(fileStore()));
}

void TestStoreCopy::failedCopyChangesNothing()
{
    // The server refuses the last table of the copy, the acknowledgements:
    // the records and the history written before it go too.
    const RecordStore server = serverStore();
    QVERIFY(server.prepare());
    QVERIFY(HistoryRecorder(server, [] { return T1; }).record({row("198.18.9.99", "00-0A-E4-00-00-63")}));
    PresetRecord kept;
    kept.ipAddress = QStringLiteral("198.18.9.99");
    QVERIFY(server.insertRecord(kept));
    const QStringList before = contents(server);
    const Result<> armed = m_server->exec(
        m_database, {QStringLiteral("CREATE FUNCTION refuse_row() RETURNS trigger LANGUAGE plpgsql AS "
                                    "$$ BEGIN RAISE EXCEPTION 'refused by the test'; END $$"),
                     QStringLiteral("CREATE TRIGGER refuse_acks BEFORE INSERT ON T_Acknowledgement "
                                    "FOR EACH ROW EXECUTE FUNCTION refuse_row()")});
    QVERIFY2(armed, qPrintable(armed.error()));
    fill(fileStore());

    const CliProcess::Run run = copy(fileArgument(), m_url, true);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QStringLiteral("refused by the test")), qPrintable(run.err));
    QCOMPARE(contents(server), before);
}

QTEST_GUILESS_MAIN(TestStoreCopy)
#include "TestStoreCopy.moc"
