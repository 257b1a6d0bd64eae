#include "analysis/AnalysisOptionsStore.h"
#include "records/RecordSchema.h"
#include "records/RecordTable.h"
#include "tests/support/RecordFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

// kestrel.mdb as earlier versions and other programs leave it: migration on
// open, files that are refused and kept, the probes' indexes, permissions.
class TestRecordSchema : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fileWithoutVersionKeepsEveryRecordAndOption();
    void newFilesGetTheTables_data();
    void newFilesGetTheTables();
    void unusableFilesAreReportedAndKept_data();
    void unusableFilesAreReportedAndKept();
    void duplicateProbesUseTheIndexes_data();
    void duplicateProbesUseTheIndexes();
    void folderAndFileAreTheOwnersOnly();

private:
    int version() const { return m_f->column(QStringLiteral("PRAGMA user_version")).value(0, -1).toInt(); }
    QStringList tables() const
    {
        QStringList names;
        for (const QVariant &name :
             m_f->column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")))
            names.append(name.toString());
        return names;
    }

    std::unique_ptr<RecordFixture> m_f;
};

namespace {

// The statements with which versions before the schema version made the
// file, byte for byte; such files carry user_version 0.
const QStringList UnversionedSchema = {
    QStringLiteral("PRAGMA journal_mode=DELETE"),
    QStringLiteral(
        "CREATE TABLE T_Record (ID INTEGER PRIMARY KEY AUTOINCREMENT, IPAddress TEXT COLLATE NOCASE, "
        "MACAddress TEXT COLLATE NOCASE, HostName TEXT, Workgroup TEXT, User TEXT, Department TEXT, "
        "Location TEXT, laninterface TEXT, Comments TEXT)"),
    QStringLiteral("CREATE TABLE T_set (check1 SMALLINT, check2 SMALLINT, check3 SMALLINT, check4 SMALLINT, "
                   "check5 SMALLINT, mins SMALLINT)"),
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

void TestRecordSchema::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
}

void TestRecordSchema::fileWithoutVersionKeepsEveryRecordAndOption()
{
    const QList<QStringList> records = {
        {"10.0.0.1", "00-0a-e4-20-53-55", "pc-1", "OFFICE", "jdoe", "Sales", "2nd floor", "eth0",
         "it's \"quoted\""},
        {"10.0.0.2", "00-0A-E4-20-53-56", "", "", "", "", "", "", ""},
        {"10.0.0.3", "00-0A-E4-20-53-57", "Zürich-π", "", "", "Ops\r\nline two", "", "", ""},
        {"10.0.0.4", "00-0A-E4-20-53-58", "gone", "", "", "", "", "", ""},
    };
    QStringList statements = UnversionedSchema;
    for (const QStringList &fields : records) {
        QStringList quoted;
        for (QString field : fields)
            quoted.append(QLatin1Char('\'') + field.replace(QLatin1Char('\''), QStringLiteral("''")) +
                          QLatin1Char('\''));
        statements.append(
            QStringLiteral("INSERT INTO T_Record (IPAddress, MACAddress, HostName, Workgroup, User, "
                           "Department, Location, laninterface, Comments) VALUES (%1)")
                .arg(quoted.join(QLatin1Char(','))));
    }
    statements << QStringLiteral("INSERT INTO T_Record (IPAddress, MACAddress) VALUES ('10.0.0.5', NULL)")
               << QStringLiteral("DELETE FROM T_Record WHERE HostName = 'gone'")
               << QStringLiteral("INSERT INTO T_set VALUES (1, 0, 1, 0, 1, 60)");
    QVERIFY(m_f->exec(statements));
    QCOMPARE(version(), 0);

    const Result<QList<PresetRecord>> loaded = m_f->store().loadAll();
    QVERIFY2(loaded, qPrintable(loaded.error()));
    QCOMPARE(version(), RecordSchema::currentVersion());
    const QList<qint64> ids = {1, 2, 3, 5};
    QCOMPARE(loaded->size(), ids.size());
    for (qsizetype k = 0; k < ids.size(); ++k) {
        const PresetRecord &r = loaded->at(k);
        QCOMPARE(r.id, ids.at(k));
        const QStringList expected = k < 3 ? records.at(k)
                                           : QStringList{"10.0.0.5", "", "", "", "", "", "", "", ""};
        QCOMPARE(r.fields(), expected);
    }

    const Result<AnalysisOptions> options = AnalysisOptionsStore(m_f->store()).LoadAnalysisOptions();
    QVERIFY2(options, qPrintable(options.error()));
    QVERIFY(options->displayNonResponded);
    QVERIFY(!options->analyzeMac);
    QVERIFY(options->analyzeIp);
    QVERIFY(!options->autoScan);
    QVERIFY(options->clearBeforeAnalysis);
    QCOMPARE(options->mins, 60);

    // The ID of the deleted record stays used, and the duplicate rules hold.
    QCOMPARE(m_f->add(QStringLiteral("10.0.0.6"), QStringLiteral("00-0A-E4-20-53-59")).id, qint64(6));
    QCOMPARE(*m_f->store().isMacTaken(QStringLiteral("00-0A-E4-20-53-55"), 0), true);
    // The file's own tables are kept; the later migrations only add theirs.
    const QStringList kept = tables();
    for (const char *table :
         {"T_Record", "T_set", "sqlite_sequence", "T_History", "T_Change", "T_Acknowledgement"})
        QVERIFY2(kept.contains(QLatin1String(table)), table);
}

void TestRecordSchema::newFilesGetTheTables_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("no file") << "none";
    QTest::newRow("zero bytes") << "empty";
    QTest::newRow("SQLite file without tables") << "tableless";
}

void TestRecordSchema::newFilesGetTheTables()
{
    QFETCH(QString, kind);
    if (kind == QLatin1String("empty")) {
        QFile file(m_f->databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("tableless")) {
        QVERIFY(m_f->exec(QStringLiteral("PRAGMA user_version = 0")));
        QVERIFY(m_f->exec(QStringLiteral("VACUUM")));
        QVERIFY(QFileInfo(m_f->databasePath()).size() > 0);
    }
    const Result<QList<PresetRecord>> loaded = m_f->store().loadAll();
    QVERIFY2(loaded, qPrintable(loaded.error()));
    QVERIFY(loaded->isEmpty());
    QCOMPARE(version(), RecordSchema::currentVersion());
    QVERIFY(tables().contains(QStringLiteral("T_Record")));
    QVERIFY(tables().contains(QStringLiteral("T_set")));
    QVERIFY(AnalysisOptionsStore(m_f->store()).SaveAnalysisOptions(AnalysisOptions()));
    // Opening again migrates nothing and changes nothing.
    const QByteArray before = contents(m_f->databasePath());
    QVERIFY(m_f->store().prepare());
    QCOMPARE(contents(m_f->databasePath()), before);
}

void TestRecordSchema::unusableFilesAreReportedAndKept_data()
{
    QTest::addColumn<QStringList>("statements"); // run on a fresh file; empty: a text file
    QTest::addColumn<QString>("cause");

    QTest::newRow("text file") << QStringList() << "file is not a database";
    QTest::newRow("another program's database")
        << QStringList{"CREATE TABLE invoices (id INTEGER, total REAL)",
                       "INSERT INTO invoices VALUES (1, 9.5)"}
        << "no table T_Record";
    QTest::newRow("a newer version") << QStringList(UnversionedSchema) +
                                            QStringList{"PRAGMA user_version = 999"}
                                     << "newer version";
}

void TestRecordSchema::unusableFilesAreReportedAndKept()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, cause);

    if (statements.isEmpty()) {
        QFile file(m_f->databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("hosts: 10.0.0.1 10.0.0.2\n").repeated(300));
    } else {
        QVERIFY(m_f->exec(statements));
    }
    const QByteArray before = contents(m_f->databasePath());

    PresetRecord record = PresetRecord::fromFields({"10.0.0.1", "00-00-00-00-00-01"});
    const QList<QString> errors = {
        m_f->store().loadAll().error(),
        m_f->store().isIpTaken(QStringLiteral("10.0.0.1"), 0).error(),
        m_f->store().insertRecord(record).error(),
        m_f->store().writeBatch({BatchItem{record}}).error(),
        m_f->store().deleteRecords({1}).error(),
        AnalysisOptionsStore(m_f->store()).LoadAnalysisOptions().error(),
    };
    for (const QString &error : errors) {
        QVERIFY2(error.contains(cause), qPrintable(error));
        QVERIFY2(error.contains(m_f->databasePath()), qPrintable(error));
        QVERIFY2(!error.contains(QStringLiteral("Parameter count")), qPrintable(error));
    }
    QCOMPARE(contents(m_f->databasePath()), before);
}

void TestRecordSchema::duplicateProbesUseTheIndexes_data()
{
    QTest::addColumn<QStringList>("schema");
    QTest::newRow("made by this version") << QStringList();
    QTest::newRow("made before versions") << UnversionedSchema;
    // A file whose columns lack the collation: the probes' own COLLATE NOCASE
    // still finds the index.
    QTest::newRow("columns without collation") << QStringList{
        "CREATE TABLE T_Record (ID INTEGER PRIMARY KEY AUTOINCREMENT, IPAddress TEXT, MACAddress TEXT, "
        "HostName TEXT, Workgroup TEXT, User TEXT, Department TEXT, Location TEXT, laninterface TEXT, "
        "Comments TEXT)",
        "CREATE TABLE T_set (check1 SMALLINT, check2 SMALLINT, check3 SMALLINT, check4 SMALLINT, "
        "check5 SMALLINT, mins SMALLINT)"};
}

void TestRecordSchema::duplicateProbesUseTheIndexes()
{
    QFETCH(QStringList, schema);
    if (!schema.isEmpty())
        QVERIFY(m_f->exec(schema));
    QVERIFY(m_f->store().prepare());
    for (int k = 0; k < 40; ++k)
        m_f->add(QStringLiteral("10.0.%1.1").arg(k),
                 QStringLiteral("00-00-00-00-%1-01").arg(k, 2, 10, QLatin1Char('0')));
    QVERIFY(m_f->exec(QStringLiteral("ANALYZE")));

    for (const RecordTable::Column column :
         {RecordTable::Column::IpAddress, RecordTable::Column::MacAddress}) {
        // EXPLAIN QUERY PLAN rows: id, parent, notused, detail.
        QStringList steps;
        for (const QVariant &detail :
             m_f->column(QStringLiteral("EXPLAIN QUERY PLAN ") + RecordTable::probeStatement(column),
                         {QStringLiteral("10.0.7.1"), 0}, 3))
            steps.append(detail.toString());
        const QString plan = steps.join(QStringLiteral(" | "));
        QVERIFY2(plan.startsWith(QStringLiteral("SEARCH T_Record USING ")) &&
                     plan.contains(QStringLiteral("INDEX")) && steps.size() == 1,
                 qPrintable(plan));
    }
    // And they find what they should, in any case.
    QCOMPARE(*m_f->store().isMacTaken(QStringLiteral("00-00-00-00-07-01"), 0), true);
    QCOMPARE(*m_f->store().isIpTaken(QStringLiteral("10.0.7.1"), 8), false); // the record itself
    QCOMPARE(*m_f->store().isIpTaken(QStringLiteral("10.0.7.1"), 9), true);
}

void TestRecordSchema::folderAndFileAreTheOwnersOnly()
{
    const QString folder = m_f->filePath(QStringLiteral("new/data"));
    RecordStore store(folder);
    QVERIFY(store.prepare());
    constexpr QFileDevice::Permissions Folder = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                                QFileDevice::WriteUser | QFileDevice::ExeUser;
    constexpr QFileDevice::Permissions File = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser;
    QCOMPARE(QFileInfo(m_f->filePath(QStringLiteral("new"))).permissions(), Folder);
    QCOMPARE(QFileInfo(folder).permissions(), Folder);
    QCOMPARE(QFileInfo(store.databasePath()).permissions(), File);
    // A folder that exists keeps its permissions.
    QFile::setPermissions(m_f->folder(), Folder | QFileDevice::ReadOther | QFileDevice::ExeOther);
    QVERIFY(m_f->store().prepare());
    QVERIFY(QFileInfo(m_f->folder()).permissions() & QFileDevice::ReadOther);
    QCOMPARE(QFileInfo(m_f->databasePath()).permissions(), File);
}

QTEST_GUILESS_MAIN(TestRecordSchema)
#include "TestRecordSchema.moc"
