#include "app/commands/ChangesCommands.h"
#include "app/commands/ReportCommands.h"
#include "app/dialogs/DatabaseConnection.h"
#include "app/dialogs/FormDatabaseConnection.h"
#include "app/parts/MainMenus.h"
#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "lists/ChangesListModel.h"
#include "lists/ScanRow.h"
#include "mail/ReportSettings.h"
#include "platform/SettingsSection.h"
#include "records/AcknowledgementStore.h"
#include "records/DatabaseMaintenance.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/PostgresServer.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

// The window's "Database Connection..." setting: a PostgreSQL server of the
// test's own serves the records, the options, the acknowledgements and the
// change events; a connection that cannot be opened is said and changes
// nothing; the setting is kept for the next start.
class TestDatabaseConnection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void dialogBoxes();
    void siteDialogBox();
    void siteSettingRoundTrip_data();
    void siteSettingRoundTrip();
    void windowScansUnderItsSite();
    void serverServesEveryPart();
    void refusedConnectionKeepsTheStore_data();
    void refusedConnectionKeepsTheStore();
    void storedServerDownAtStart();

private:
    std::unique_ptr<FormMain> makeWindow();
    void chooseConnection(const DatabaseConnection &connection);
    // The IPs of the record list, in its order.
    QStringList recordIps() const;

    QString m_unavailable;
    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<FormMain> m_window;
    std::optional<DatabaseConnection> m_answer;
};

namespace {

const QString KnownIp = QStringLiteral("198.18.7.10");
const QString KnownMac = QStringLiteral("00-0A-E4-00-00-0A");
const QString StrayIp = QStringLiteral("198.18.7.11");
const QString StrayMac = QStringLiteral("00-0A-E4-00-00-0B");

PresetRecord record(const QString &ip, const QString &mac)
{
    PresetRecord r;
    r.ipAddress = ip;
    r.macAddress = mac;
    return r;
}

ScanRow scanRow(int number, const QString &ip, const QString &mac)
{
    ScanRow row;
    row.number = QString::number(number);
    row.ipAddress = ip;
    row.macAddress = mac;
    return row;
}

} // namespace

void TestDatabaseConnection::initTestCase()
{
    m_unavailable = PostgresServer::unavailableReason();
    if (!m_unavailable.isEmpty())
        return;
    m_server = std::make_unique<PostgresServer>();
    const Result<> started = m_server->start();
    QVERIFY2(started, qPrintable(started.error()));
}

void TestDatabaseConnection::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->isValid());
    m_answer.reset();
}

void TestDatabaseConnection::cleanup()
{
    m_window.reset();
    m_f.reset();
}

std::unique_ptr<FormMain> TestDatabaseConnection::makeWindow()
{
    if (!storeAutoScanOff(m_f->dataFolder()))
        qFatal("the automatic mode cannot be stored off");
    FormMain::Options options = m_f->options();
    options.askDatabaseConnection = [this](const DatabaseConnection &) { return m_answer; };
    return std::make_unique<FormMain>(options);
}

void TestDatabaseConnection::chooseConnection(const DatabaseConnection &connection)
{
    m_answer = connection;
    QAction *action = m_window->menus()
                          ->menu(QStringLiteral("menuSet"))
                          ->findChild<QAction *>(QLatin1String(DatabaseConnectionCommands::ActionName));
    QVERIFY(action);
    action->trigger();
}

QStringList TestDatabaseConnection::recordIps() const
{
    QStringList ips;
    for (int row = 0; row < m_window->recordList().count(); ++row)
        ips.append(m_window->recordList().record(row).ipAddress);
    return ips;
}

void TestDatabaseConnection::dialogBoxes()
{
    FormDatabaseConnection onFile(DatabaseConnection{});
    QVERIFY(onFile.findChild<QRadioButton *>(QStringLiteral("OptFile"))->isChecked());
    auto *url = onFile.findChild<QLineEdit *>(QStringLiteral("UrlEdit"));
    QVERIFY(!url->isEnabled());
    onFile.findChild<QRadioButton *>(QStringLiteral("OptServer"))->setChecked(true);
    QVERIFY(url->isEnabled());
    url->setText(QStringLiteral("  postgresql://ops@db/plan "));
    onFile.findChild<QLineEdit *>(QStringLiteral("PasswordFileEdit"))->setText(QStringLiteral("/etc/nk/pw"));
    const DatabaseConnection chosen = onFile.connection();
    QCOMPARE(chosen.url, QStringLiteral("postgresql://ops@db/plan"));
    QCOMPARE(chosen.passwordFile, QStringLiteral("/etc/nk/pw"));

    // Back to the file: what the server boxes still hold is not kept.
    FormDatabaseConnection onServer(chosen);
    QVERIFY(onServer.findChild<QRadioButton *>(QStringLiteral("OptServer"))->isChecked());
    onServer.findChild<QRadioButton *>(QStringLiteral("OptFile"))->setChecked(true);
    QVERIFY(onServer.connection().isEmbedded());
    QVERIFY(onServer.connection().passwordFile.isEmpty());
}

void TestDatabaseConnection::siteDialogBox()
{
    FormDatabaseConnection dialog(
        DatabaseConnection{QStringLiteral("postgresql://ops@db/plan"), QString(), QStringLiteral("lab-3")});
    auto *site = dialog.findChild<QLineEdit *>(QStringLiteral("SiteEdit"));
    QVERIFY(site);
    QCOMPARE(site->text(), QStringLiteral("lab-3"));
    QCOMPARE(site->placeholderText(), HistoryRecorder::defaultSite());
    site->setText(QStringLiteral("  Floor 2 "));
    QCOMPARE(dialog.connection().site, QStringLiteral("Floor 2"));
    // The site is the window's whichever store it uses.
    dialog.findChild<QRadioButton *>(QStringLiteral("OptFile"))->setChecked(true);
    QVERIFY(dialog.connection().isEmbedded());
    QCOMPARE(dialog.connection().site, QStringLiteral("Floor 2"));
    site->clear();
    QVERIFY(dialog.connection().site.isEmpty());
}

void TestDatabaseConnection::siteSettingRoundTrip_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("file, a site") << QString() << QStringLiteral("lab-3") << QStringLiteral("lab-3");
    QTest::newRow("server, a site") << QStringLiteral("postgresql://ops@db/plan") << QStringLiteral(" lab-3 ")
                                    << QStringLiteral("lab-3");
    QTest::newRow("file, no site") << QString() << QString() << QString();
    QTest::newRow("server, a blank site")
        << QStringLiteral("postgresql://ops@db/plan") << QStringLiteral("  ") << QString();
}

void TestDatabaseConnection::siteSettingRoundTrip()
{
    QFETCH(QString, url);
    QFETCH(QString, site);
    QFETCH(QString, loaded);
    // A site stored before is replaced, or removed by none.
    DatabaseConnection{QString(), QString(), QStringLiteral("old-site")}.save();
    DatabaseConnection{url, QString(), site}.save();
    const DatabaseConnection back = DatabaseConnection::load();
    QCOMPARE(back.url, url);
    QCOMPARE(back.site, loaded);
    const SettingsSection section(QLatin1String(ReportSettings::Application),
                                  QLatin1String(DatabaseConnection::Section));
    QCOMPARE(section.contains(QStringLiteral("Site")), !loaded.isEmpty());
}

void TestDatabaseConnection::windowScansUnderItsSite()
{
    const auto scanOnce = [this](int number) {
        m_window->scanList().clear();
        m_window->scanList().appendScanRow(scanRow(number, KnownIp, KnownMac));
        Q_EMIT m_window->scanRun().finished(QStringLiteral("Scan Complete!"));
        m_window->changesCommands()->waitForHistory();
    };
    const auto sitesSeen = [this] {
        const Result<QList<HistoryEntry>> history = HistoryReader(RecordStore(m_f->dataFolder())).entries({});
        QStringList sites;
        for (const HistoryEntry &entry : *history)
            sites.append(entry.site);
        sites.sort();
        return sites;
    };

    m_window = makeWindow();
    QVERIFY(m_window->reportCommands()->report().site().isEmpty());
    scanOnce(1);
    QCOMPARE(sitesSeen(), QStringList{HistoryRecorder::defaultSite()});

    m_f->prompt.reset();
    chooseConnection({QString(), QString(), QStringLiteral("lab-3")});
    QVERIFY2(m_f->prompt.requests().isEmpty(), qPrintable(m_f->prompt.lastRequest().text));
    QCOMPARE(m_window->reportCommands()->report().site(), QStringLiteral("lab-3"));
    scanOnce(2);
    QStringList expected{HistoryRecorder::defaultSite(), QStringLiteral("lab-3")};
    expected.sort();
    QCOMPARE(sitesSeen(), expected);

    // The next start scans under the stored site too.
    m_window = makeWindow();
    QCOMPARE(m_window->changesCommands()->site(), QStringLiteral("lab-3"));
    QCOMPARE(m_window->reportCommands()->report().site(), QStringLiteral("lab-3"));
    // The Changes window still shows every site at first.
    m_window->changesCommands()->showChanges();
    QCOMPARE(m_window->changesCommands()->form()->site(), QString());

    chooseConnection({});
    QVERIFY(m_window->changesCommands()->site().isEmpty());
    QVERIFY(m_window->reportCommands()->report().site().isEmpty());
}

void TestDatabaseConnection::serverServesEveryPart()
{
    if (!m_unavailable.isEmpty())
        QSKIP(qPrintable(m_unavailable));
    const Result<QString> database = m_server->createDatabase();
    QVERIFY2(database, qPrintable(database.error()));
    const QString url = m_server->url(*database);
    // What the server holds before the window connects: a record, the
    // options (the automatic mode off), an acknowledgement and a history.
    const RecordStore server(m_f->dataFolder(), m_server->databaseUrl(*database));
    QVERIFY(server.insertRecord(record(KnownIp, KnownMac)));
    {
        AnalysisOptionsStore options(server);
        Result<AnalysisOptions> values = options.LoadAnalysisOptions();
        QVERIFY(values);
        values->autoScan = false;
        QVERIFY(options.SaveAnalysisOptions(*values));
    }
    QVERIFY(AcknowledgementStore(server).add({StrayIp, StrayMac, QStringLiteral("lab"), QStringLiteral("ops"),
                                              QDateTime::currentDateTimeUtc(), QDateTime()}));
    QVERIFY(HistoryRecorder(server).record({scanRow(1, StrayIp, StrayMac)}));

    m_window = makeWindow();
    QVERIFY(recordIps().isEmpty()); // the file of the data folder has none
    m_f->prompt.reset();
    chooseConnection({url, QString(), QString()});
    QVERIFY2(m_f->prompt.requests().isEmpty(), qPrintable(m_f->prompt.lastRequest().text));
    QCOMPARE(m_window->store().location(), url);
    QCOMPARE(DatabaseConnection::load().url, url);

    QCOMPARE(recordIps(), QStringList{KnownIp});
    for (const ScanRow &row : {scanRow(1, KnownIp, KnownMac), scanRow(2, StrayIp, StrayMac)})
        m_window->scanList().appendScanRow(row);
    m_window->menus()->action(QStringLiteral("JSmenu4"))->trigger();
    const AnalysisListModel &findings = m_window->analysisList();
    QVERIFY(findings.count() > 0);
    for (int row = 0; row < findings.count(); ++row)
        QVERIFY2(findings.isAcknowledged(row), qPrintable(findings.text(row, 2)));

    m_window->changesCommands()->showChanges();
    m_window->changesCommands()->waitForHistory();
    ChangesListModel &changes = m_window->changesCommands()->changes();
    QVERIFY(changes.count() > 0);
    for (int row = 0; row < changes.count(); ++row)
        QCOMPARE(changes.text(row, ChangesListModel::IpColumn), StrayIp);

    // What the window's store writes, the server holds.
    const Result<PresetRecord> added =
        m_window->store().insertRecord(record(QStringLiteral("198.18.7.12"), {}));
    QVERIFY(added);
    QCOMPARE(server.loadAll()->size(), 2);

    // A completed scan's history goes to the server: the pair of KnownIp
    // joins the one stored before.
    Q_EMIT m_window->scanRun().finished(QStringLiteral("Scan Complete!"));
    m_window->changesCommands()->waitForHistory();
    const Result<QList<HistoryEntry>> history = HistoryReader(server).entries({});
    QVERIFY(history);
    QStringList seen;
    for (const HistoryEntry &entry : *history)
        seen.append(entry.ipAddress);
    QCOMPARE(seen, (QStringList{KnownIp, StrayIp}));

    // "Database Bakcup" writes the server's records into the backup file.
    m_f->prompt.reset();
    m_window->menus()->action(QStringLiteral("BAmenu9"))->trigger();
    const QString done = m_f->prompt.lastRequest().text;
    QVERIFY2(done.startsWith(QLatin1String(DatabaseMaintenance::BackupDoneText)), qPrintable(done));
    const QString backup = done.mid(int(qstrlen(DatabaseMaintenance::BackupDoneText)));
    QCOMPARE(RecordStore::onFile(backup).loadAll()->size(), 2);
    m_f->prompt.reset();

    // The next start opens the server again.
    m_window = makeWindow();
    QVERIFY2(m_f->prompt.requests().isEmpty(), qPrintable(m_f->prompt.lastRequest().text));
    QCOMPARE(recordIps(), (QStringList{KnownIp, QStringLiteral("198.18.7.12")}));

    // And back to the file, where nothing of the server's is shown.
    chooseConnection({});
    QVERIFY(!m_window->store().server());
    QVERIFY(recordIps().isEmpty());
    QVERIFY(DatabaseConnection::load().isEmbedded());
    m_window->changesCommands()->showChanges();
    m_window->changesCommands()->waitForHistory();
    QCOMPARE(m_window->changesCommands()->changes().count(), 0);
}

void TestDatabaseConnection::refusedConnectionKeepsTheStore_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("passwordFile");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("cause");
    QTest::newRow("no server at that socket")
        << "postgresql://nobody@/plan?host=%1/no-server" << QString()
        << "The database connection could not be opened; the window keeps %2.\r\n"
        << "postgresql://nobody@/plan?host=%1/no-server";
    QTest::newRow("another scheme") << "mysql://ops@db/plan" << QString()
                                    << "The database connection cannot be used; the window keeps %2.\r\n"
                                    << "mysql";
    QTest::newRow("a password in the URL")
        << "postgresql://ops:secret@db/plan" << QString()
        << "The database connection cannot be used; the window keeps %2.\r\n"
        << "password";
    QTest::newRow("an sslmode that libpq does not know")
        << "postgresql://ops@db/plan?sslmode=strict" << QString()
        << "The database connection cannot be used; the window keeps %2.\r\n"
        << "sslmode is one of disable";
    QTest::newRow("a password file that is not there")
        << "postgresql://nobody@/plan?host=%1"
        << "%1/no-such-file"
        << "The database connection could not be opened; the window keeps %2.\r\n"
        << "no-such-file";
}

void TestDatabaseConnection::refusedConnectionKeepsTheStore()
{
    QFETCH(QString, url);
    QFETCH(QString, passwordFile);
    QFETCH(QString, message);
    QFETCH(QString, cause);
    const QString folder = m_f->path(QStringLiteral("tmp"));
    for (QString *text : {&url, &passwordFile, &cause})
        text->replace(QLatin1String("%1"), folder);

    QVERIFY(RecordStore(m_f->dataFolder()).insertRecord(record(KnownIp, KnownMac)));
    m_window = makeWindow();
    const QString file = m_window->store().location();
    m_f->prompt.reset();

    chooseConnection({url, passwordFile, QString()});
    QCOMPARE(m_f->prompt.requests().size(), 1);
    const PromptRequest said = m_f->prompt.lastRequest();
    QCOMPARE(said.title, QLatin1String(Prompt::ErrorTitle));
    QVERIFY2(said.text.startsWith(QString(message).replace(QLatin1String("%2"), file)),
             qPrintable(said.text));
    QVERIFY2(said.text.contains(cause), qPrintable(said.text));
    // Nothing changed: the store, the list, the stored setting.
    QCOMPARE(m_window->store().location(), file);
    QCOMPARE(recordIps(), QStringList{KnownIp});
    QVERIFY(DatabaseConnection::load().isEmbedded());
    // The window goes on with its store.
    QVERIFY(m_window->store().insertRecord(record(StrayIp, StrayMac)));
}

void TestDatabaseConnection::storedServerDownAtStart()
{
    const QString url =
        QStringLiteral("postgresql://nobody@/plan?host=%1").arg(m_f->path(QStringLiteral("down")));
    DatabaseConnection{url, QString(), QString()}.save();
    m_window = makeWindow();
    // First the connection, with the way out; then each part that could not
    // read from it says so too.
    const QList<PromptRequest> said = m_f->prompt.requests();
    QVERIFY(!said.isEmpty());
    QVERIFY2(said.first().text.endsWith(QLatin1String(DatabaseConnectionCommands::ChooseAnotherText)),
             qPrintable(said.first().text));
    for (const PromptRequest &request : said) {
        QCOMPARE(request.title, QLatin1String(Prompt::ErrorTitle));
        QVERIFY2(request.text.contains(url), qPrintable(request.text));
    }
    // The server stays chosen: nothing is written to the file in its place,
    // and options that could not be read leave the automatic mode off.
    QCOMPARE(m_window->store().location(), url);
    QVERIFY(recordIps().isEmpty());
    QVERIFY(!m_window->autoScan().autoScan());

    m_f->prompt.reset();
    chooseConnection({});
    QVERIFY(m_f->prompt.requests().isEmpty());
    QVERIFY(!m_window->store().server());
    QVERIFY(DatabaseConnection::load().isEmbedded());
}

QTEST_MAIN(TestDatabaseConnection)
#include "TestDatabaseConnection.moc"
