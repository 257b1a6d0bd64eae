#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTest>

#include "../scan/FakeHostSource.h"
#include "app/commands/ChangesCommands.h"
#include "app/dialogs/FormChanges.h"
#include "app/parts/MainMenus.h"
#include "app/widgets/ListView.h"
#include "app/widgets/ScanRangeEntry.h"
#include "app/window/FormMain.h"
#include "history/HistoryReader.h"
#include "history/HistoryRecorder.h"
#include "lists/ScanRow.h"
#include "records/RecordStore.h"
#include "tests/app/WindowFixture.h"

// The window's scans go into the host history, and "Changes" in the Analyze
// menu shows their events in a list of its own.
class TestChangesView : public QObject
{
    Q_OBJECT

private:
    // Hosts 198.18.104.1.. answer with these MACs, in order.
    void scan(const QStringList &macs, const QDateTime &when)
    {
        m_window->scanRun().setSourceFactory(
            [this, macs](const ScanRange &range, const HostSource::Pacing &pacing) {
                QHash<quint32, QString> answers;
                for (int i = 0; i < macs.size(); ++i)
                    answers.insert(quint32(i), macs.at(i));
                return new FakeHostSource(range, pacing, answers, QString(), &m_log);
            });
        m_window->changesCommands()->setClock([when] { return when; });
        m_window->menus()->action(QStringLiteral("SMmenu8"))->trigger();
        QTRY_COMPARE(m_window->scanRun().state(), ScanRun::State::Idle);
        m_window->changesCommands()->waitForHistory();
    }

    QStringList column(int column) const
    {
        const ChangesListModel &list = m_window->changesCommands()->changes();
        QStringList texts;
        for (int row = 0; row < list.count(); ++row)
            texts.append(list.text(row, column));
        return texts;
    }

    std::unique_ptr<WindowFixture> m_fixture;
    std::unique_ptr<FormMain> m_window;
    FakeHostSource::Log m_log;

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<WindowFixture>();
        QVERIFY(m_fixture->isValid());
        m_window = m_fixture->makeWindow();
        m_window->rangeEntry()->setBoxes({"198", "18", "104", "1", "198", "18", "104", "3"});
    }

    void cleanup()
    {
        m_window.reset();
        m_fixture.reset();
    }

    void scansFillTheChangesWindow()
    {
        const QDateTime first(QDate(2026, 4, 1), QTime(9, 0), Qt::UTC);
        scan({QStringLiteral("00-0A-E4-00-68-01"), QStringLiteral("06-0A-E4-00-68-02")}, first);
        QCOMPARE(m_window->scanList().count(), 2);
        QVERIFY(!m_window->changesCommands()->form());

        // Opened after the scan: the stored events are read.
        QAction *changes = m_window->findChild<QAction *>(QLatin1String(ChangesCommands::ActionName));
        QVERIFY(changes);
        QCOMPARE(changes->text(), QStringLiteral("Changes"));
        changes->trigger();
        m_window->changesCommands()->waitForHistory(); // the events are read off the window's thread
        FormChanges *form = m_window->findChild<FormChanges *>(QStringLiteral("FormChanges"));
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QCOMPARE(form->view()->model(), &m_window->changesCommands()->changes());
        QCOMPARE(column(ChangesListModel::KindColumn),
                 QStringList({"new-station", "new-station", "randomised-mac"}));
        QCOMPARE(column(ChangesListModel::MacColumn),
                 QStringList({"00-0A-E4-00-68-01", "06-0A-E4-00-68-02 (randomised)",
                              "06-0A-E4-00-68-02 (randomised)"}));
        QCOMPARE(column(ChangesListModel::DateTimeColumn).first(),
                 Analyzer::dateTimeText(first.toLocalTime()));

        // A scan while it is open appends its own events.
        scan({QStringLiteral("00-0A-E4-00-68-01"), QStringLiteral("00-0A-E4-00-68-99")}, first.addDays(1));
        QCOMPARE(column(ChangesListModel::KindColumn),
                 QStringList({"new-station", "new-station", "randomised-mac", "new-station", "mac-changed"}));
        QCOMPARE(column(ChangesListModel::IpColumn).last(), QStringLiteral("198.18.104.2"));
        QVERIFY(column(ChangesListModel::ChangeColumn).last().contains(QLatin1String("06-0A-E4-00-68-02")));

        // Opened again: the same window, nothing read twice.
        changes->trigger();
        QCOMPARE(m_window->findChildren<FormChanges *>().size(), 1);
        QCOMPARE(m_window->changesCommands()->changes().count(), 5);

        // The history holds the window's scans.
        const RecordStore store(m_fixture->dataFolder());
        const Result<QList<HistoryEntry>> entries = HistoryReader(store).entries({});
        QVERIFY(entries.ok());
        QCOMPARE(entries->size(), 3);
        QCOMPARE(entries->at(0).scanCount, 2);
    }

    // Another watcher's events in the same store: the combo box offers "All
    // sites" and each site present, and shows one site's events or all.
    void oneSiteOrAll()
    {
        const QDateTime first(QDate(2026, 4, 1), QTime(9, 0), Qt::UTC);
        scan({QStringLiteral("00-0A-E4-00-68-01")}, first);
        const RecordStore store(m_fixture->dataFolder());
        HistoryRecorder branch(store, [first] { return first.addDays(1); });
        branch.setSite(QStringLiteral("branch"));
        ScanRow row;
        row.number = QStringLiteral("1");
        row.ipAddress = QStringLiteral("198.18.125.7");
        row.macAddress = QStringLiteral("00-0A-E4-00-7D-07");
        QVERIFY(branch.record({row}).ok());

        m_window->findChild<QAction *>(QLatin1String(ChangesCommands::ActionName))->trigger();
        m_window->changesCommands()->waitForHistory();
        FormChanges *form = m_window->changesCommands()->form();
        QVERIFY(form);
        auto *sites = form->findChild<QComboBox *>(QStringLiteral("ComboSite"));
        QVERIFY(sites);
        const QString here = QSysInfo::machineHostName();
        QStringList offered;
        for (int k = 0; k < sites->count(); ++k)
            offered.append(sites->itemText(k));
        QStringList expected{QStringLiteral("branch"), here};
        expected.sort();
        QCOMPARE(offered, QStringList{QLatin1String(FormChanges::AllSites)} + expected);
        QCOMPARE(column(ChangesListModel::SiteColumn), QStringList({here, "branch"}));

        sites->setCurrentIndex(sites->findText(QStringLiteral("branch")));
        emit sites->activated(sites->currentIndex());
        QCOMPARE(column(ChangesListModel::IpColumn), QStringList{"198.18.125.7"});
        // The window's own next scan is its site's: not shown under "branch".
        scan({QStringLiteral("00-0A-E4-00-68-01"), QStringLiteral("00-0A-E4-00-68-02")}, first.addDays(2));
        QCOMPARE(column(ChangesListModel::SiteColumn), QStringList{"branch"});

        sites->setCurrentIndex(0);
        emit sites->activated(0);
        QCOMPARE(column(ChangesListModel::SiteColumn), QStringList({here, "branch", here}));
    }

    // Another writer holds the store: the window goes on at once, and the
    // scan's history is written when the store is free again.
    void busyStoreDoesNotHoldTheWindow()
    {
        const QDateTime when(QDate(2026, 4, 1), QTime(9, 0), Qt::UTC);
        scan({QStringLiteral("00-0A-E4-00-68-01")}, when); // the store exists and is migrated
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(RecordStore::databasePath(m_fixture->dataFolder()));
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));

            m_window->scanList().clear();
            ScanRow row;
            row.number = QStringLiteral("1");
            row.ipAddress = QStringLiteral("198.18.104.9");
            row.macAddress = QStringLiteral("00-0A-E4-00-68-09");
            m_window->scanList().appendScanRow(row);
            QElapsedTimer held;
            held.start();
            Q_EMIT m_window->scanRun().finished(QStringLiteral("Scan Complete!"));
            QVERIFY2(held.elapsed() < 1000, "the window waited for the store");

            QTest::qWait(200);
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("ROLLBACK")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        m_window->changesCommands()->waitForHistory();
        const Result<QList<HistoryEntry>> entries =
            HistoryReader(RecordStore(m_fixture->dataFolder())).entries({});
        QVERIFY2(entries.ok(), qPrintable(entries.error()));
        QCOMPARE(entries->size(), 2);
    }
};

QTEST_MAIN(TestChangesView)
#include "TestChangesView.moc"
