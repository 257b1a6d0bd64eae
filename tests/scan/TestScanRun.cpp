#include <QSignalSpy>
#include <QTest>

#include "lists/ScanListModel.h"
#include "scan/ScanRun.h"
#include "tests/scan/FakeHostSource.h"

namespace {

ScanRange range(const char *from, const char *to, ScanMethod method = ScanMethod::Arp)
{
    return *ScanRange::fromAddresses(QLatin1String(from), QLatin1String(to), method);
}

} // namespace

class TestScanRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void markerRowsAndNumbering_data();
    void markerRowsAndNumbering();
    void stopAfterAHost();
    void stopWhilePaused();
    void pauseAndContinue();
    void showSilentReadForEveryHost();
    void progressAndStatusTexts();
    void failureBeforeTheFirstHost();
    void oneRunAtATime();
    void rowsInBatches_data();
    void rowsInBatches();
    void pauseShowsEveryRowSoFar();

private:
    // Runs the scan to its end; returns the completion text.
    QString runToEnd();

    ScanListModel m_list;
    std::unique_ptr<ScanRun> m_run;
    FakeHostSource::Log m_source;
    QHash<quint32, QString> m_answers;
    QString m_failure;
};

void TestScanRun::init()
{
    m_answers.clear();
    m_failure.clear();
    m_run = std::make_unique<ScanRun>(&m_list);
    m_run->setSourceFactory([this](const ScanRange &r, const HostSource::Pacing &p) {
        return new FakeHostSource(r, p, m_answers, m_failure, &m_source);
    });
    m_run->setVendorLookup([](const QString &mac) { return QStringLiteral("vendor of ") + mac.left(8); });
}

QString TestScanRun::runToEnd()
{
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    if (m_run->state() == ScanRun::State::Idle)
        m_run->start(range("198.18.7.1", "198.18.7.10"));
    if (finished.isEmpty() && !finished.wait(5000))
        return QStringLiteral("(no end)");
    return finished.first().first().toString();
}

void TestScanRun::markerRowsAndNumbering_data()
{
    QTest::addColumn<bool>("showSilent");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("silent hosts listed") << true << QStringList{"", "1", "", "", "2", "", "", "", "3", ""};
    QTest::newRow("silent hosts left out") << false << QStringList{"1", "2", "3"};
}

void TestScanRun::markerRowsAndNumbering()
{
    QFETCH(bool, showSilent);
    QFETCH(QStringList, numbers);
    m_answers = {
        {1, "00-0A-E4-20-53-55"}, {4, "00-0A-E4-00-00-04+00-0A-E4-00-00-05"}, {8, "02-00-00-00-00-08"}};
    m_run->setShowSilent(showSilent);

    QCOMPARE(runToEnd(), QStringLiteral("Scan Complete! Scanned: 10 IP, Found 3 connected "));
    QStringList shown;
    for (int i = 0; i < m_list.count(); ++i) {
        const ScanRow row = m_list.scanRow(i);
        shown << row.number;
        if (row.number.isEmpty()) {
            QCOMPARE(row.macAddress, QStringLiteral("Non-Responded IP"));
            QCOMPARE(row.iconIndex, 2);
            QVERIFY(row.hostName.isEmpty() && row.workgroup.isEmpty() && row.vendor.isEmpty());
        } else {
            QCOMPARE(row.iconIndex, 1);
            QCOMPARE(row.vendor, QStringLiteral("vendor of ") + row.macAddress.left(8));
        }
        QVERIFY(!m_list.isChecked(i));
    }
    QCOMPARE(shown, numbers);
    QCOMPARE(m_list.scanRow(showSilent ? 1 : 0).ipAddress, QStringLiteral("198.18.7.2"));
    QCOMPARE(m_list.scanRow(showSilent ? 1 : 0).key, QStringLiteral("K1"));
    // Further MACs travel with their row but in no column, also once sorted.
    m_list.columnClicked(ScanListModel::IpColumn);
    const int conflicted = showSilent ? 5 : 1;
    QCOMPARE(m_list.text(conflicted, ScanListModel::MacColumn), QStringLiteral("00-0A-E4-00-00-04"));
    QCOMPARE(m_list.scanRow(conflicted).otherMacs, QStringList{"00-0A-E4-00-00-05"});
    QCOMPARE(m_list.scanRow(0).otherMacs, QStringList{});
    QCOMPARE(m_run->foundCount(), 3);
    QCOMPARE(m_run->state(), ScanRun::State::Idle);
    QVERIFY(m_source.aborted);
}

void TestScanRun::stopAfterAHost()
{
    // Stop pressed while host 57 of 1..254 is being handled: the run ends after it.
    m_answers = {{0, "00-0A-E4-00-00-01"}, {56, "00-0A-E4-00-00-39"}, {57, "00-0A-E4-00-00-3A"}};
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    m_run->start(range("198.18.7.1", "198.18.7.254"));
    connect(m_run.get(), &ScanRun::statusTextChanged, this, [this](const QString &text) {
        if (text.endsWith(QLatin1String("Scaning:198.18.7.57")))
            m_run->stop();
    });
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().toString(),
             QStringLiteral("Scan Complete! Scanned: 57 IP, Found 2 connected "));
    QCOMPARE(m_source.requested.size(), 57);
    QCOMPARE(m_list.count(), 2);
}

void TestScanRun::stopWhilePaused()
{
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    QSignalSpy states(m_run.get(), &ScanRun::stateChanged);
    m_run->start(range("198.18.7.1", "198.18.7.254"));
    connect(m_run.get(), &ScanRun::statusTextChanged, this, [this](const QString &text) {
        if (text.endsWith(QLatin1String("Scaning:198.18.7.20")) && m_run->state() == ScanRun::State::Running)
            m_run->togglePause();
    });
    QTRY_COMPARE(m_run->state(), ScanRun::State::Paused);
    QTest::qWait(50);
    QCOMPARE(m_source.requested.size(), 20); // nothing asked while paused
    m_run->stop();
    QVERIFY(finished.wait(2000) || !finished.isEmpty());
    QCOMPARE(finished.first().first().toString(),
             QStringLiteral("Scan Complete! Scanned: 20 IP, Found 0 connected "));
    QCOMPARE(m_run->state(), ScanRun::State::Idle);
    QCOMPARE(states.last().first().value<ScanRun::State>(), ScanRun::State::Idle);
}

void TestScanRun::pauseAndContinue()
{
    m_answers = {{2, "00-0A-E4-00-00-03"}, {9, "00-0A-E4-00-00-0A"}};
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    m_run->start(range("198.18.7.1", "198.18.7.10"));
    m_run->togglePause();
    QCOMPARE(m_run->state(), ScanRun::State::Paused);
    QTest::qWait(50);
    QVERIFY(m_source.requested.size() <= 1);
    m_run->togglePause();
    QCOMPARE(m_run->state(), ScanRun::State::Running);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().toString(),
             QStringLiteral("Scan Complete! Scanned: 10 IP, Found 2 connected "));
    QCOMPARE(m_source.requested.size(), 10);
    // A new run starts unpaused and unstopped.
    QCOMPARE(runToEnd(), QStringLiteral("Scan Complete! Scanned: 10 IP, Found 2 connected "));
}

void TestScanRun::showSilentReadForEveryHost()
{
    m_run->start(range("198.18.7.1", "198.18.7.10"));
    connect(m_run.get(), &ScanRun::statusTextChanged, this, [this](const QString &text) {
        if (text.endsWith(QLatin1String("Scaning:198.18.7.6")))
            m_run->setShowSilent(true);
    });
    runToEnd();
    QCOMPARE(m_list.count(), 5);
    QCOMPARE(m_list.scanRow(0).ipAddress, QStringLiteral("198.18.7.6"));
}

void TestScanRun::progressAndStatusTexts()
{
    QSignalSpy progress(m_run.get(), &ScanRun::progressChanged);
    QSignalSpy status(m_run.get(), &ScanRun::statusTextChanged);
    QSignalSpy shown(m_run.get(), &ScanRun::progressVisibleChanged);
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    m_run->start(range("192.168.1.1", "192.168.1.254"));
    QVERIFY(finished.wait(10000));

    QCOMPARE(progress.size(), 254);
    QCOMPARE(progress.at(106).first().toInt(), 42); // host 107 of 1..254
    QCOMPARE(progress.last().first().toInt(), 100);
    QStringList texts;
    for (const auto &args : status)
        texts << args.first().toString();
    QVERIFY(texts.contains(QStringLiteral("42%, Scaning:192.168.1.107")));
    QCOMPARE(texts.first(), QStringLiteral("0%, Scaning:192.168.1.1"));
    QCOMPARE(texts.last(), QStringLiteral("Scan Complete! Scanned: 254 IP, Found 0 connected "));
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.first().first().toBool(), true);
    QCOMPARE(shown.last().first().toBool(), false);
}

void TestScanRun::failureBeforeTheFirstHost()
{
    m_failure = QStringLiteral("Winsock Initialization Error !");
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    // The order the front ends rely on: the reason first, then the empty completion.
    QStringList order;
    connect(m_run.get(), &ScanRun::startFailed, this, [&order] { order << QStringLiteral("startFailed"); });
    connect(m_run.get(), &ScanRun::finished, this, [&order] { order << QStringLiteral("finished"); });
    QSignalSpy failed(m_run.get(), &ScanRun::startFailed);
    m_run->start(range("198.18.7.1", "198.18.7.10", ScanMethod::Udp));
    QVERIFY(!finished.isEmpty() || finished.wait(2000));
    QCOMPARE(finished.first().first().toString(), QString());
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().at(0).toString(), QStringLiteral("Error"));
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("Winsock Initialization Error !"));
    QCOMPARE(order, QStringList({"startFailed", "finished"}));
    QCOMPARE(m_list.count(), 0);
    QCOMPARE(m_run->state(), ScanRun::State::Idle);
}

void TestScanRun::oneRunAtATime()
{
    QVERIFY(m_run->start(range("198.18.7.1", "198.18.7.10")));
    QVERIFY(!m_run->start(range("198.18.7.1", "198.18.7.10")));
    runToEnd();
    QVERIFY(m_run->start(range("198.18.7.1", "198.18.7.2")));
    runToEnd();
}

void TestScanRun::rowsInBatches_data()
{
    QTest::addColumn<bool>("showSilent");
    QTest::newRow("answering hosts only") << false;
    QTest::newRow("with marker rows") << true;
}

void TestScanRun::rowsInBatches()
{
    QFETCH(bool, showSilent);
    // Eight networks, every seventh host answering.
    const ScanRange wide = range("198.18.0.1", "198.18.7.254", ScanMethod::Udp);
    for (quint32 i = 0; i < wide.count(); i += 7)
        m_answers.insert(i, QStringLiteral("02-00-00-00-%1-%2")
                                .arg(i >> 8, 2, 16, QLatin1Char('0'))
                                .arg(i & 0xFF, 2, 16, QLatin1Char('0'))
                                .toUpper());
    m_run->setShowSilent(showSilent);
    m_run->setPacing(HostSource::Pacing::fromPace(0));
    QSignalSpy appended(m_run.get(), &ScanRun::rowsAppended);
    QSignalSpy finished(m_run.get(), &ScanRun::finished);
    QVERIFY(m_run->start(wide));
    QVERIFY(finished.wait(20000));

    const int rows = showSilent ? int(wide.count()) : int(m_answers.size());
    QCOMPARE(m_list.count(), rows);
    // The signals cover the rows once each, in order, with far fewer signals than rows.
    int next = 0;
    for (const QList<QVariant> &signal : std::as_const(appended)) {
        QCOMPARE(signal.at(0).toInt(), next);
        QVERIFY(signal.at(1).toInt() >= next);
        QVERIFY(signal.at(1).toInt() - next < ScanRun::BatchRows);
        next = signal.at(1).toInt() + 1;
    }
    QCOMPARE(next, rows);
    QVERIFY2(appended.size() <= rows / 20, qPrintable(QString::number(appended.size())));
    // Host order, numbering and markers as host by host.
    int found = 0;
    quint32 index = 0;
    for (int row = 0; row < m_list.count(); ++row, ++index) {
        while (!showSilent && !m_answers.contains(index))
            ++index;
        const ScanRow shown = m_list.scanRow(row);
        QCOMPARE(shown.ipAddress, wide.addressText(index));
        if (m_answers.contains(index)) {
            QCOMPARE(shown.number, QString::number(++found));
            QCOMPARE(shown.macAddress, m_answers.value(index));
        } else {
            QCOMPARE(shown.number, QString());
            QCOMPARE(shown.macAddress, QStringLiteral("Non-Responded IP"));
        }
    }
    QCOMPARE(found, int(m_answers.size()));
}

void TestScanRun::pauseShowsEveryRowSoFar()
{
    m_run->setShowSilent(true);
    m_run->setPacing(HostSource::Pacing::fromPace(0));
    int listedAtPause = -1;
    connect(m_run.get(), &ScanRun::statusTextChanged, this, [this, &listedAtPause](const QString &text) {
        if (text.endsWith(QLatin1String("Scaning:198.18.1.44")) &&
            m_run->state() == ScanRun::State::Running) {
            m_run->togglePause();
            listedAtPause = m_list.count();
        }
    });
    QVERIFY(m_run->start(range("198.18.0.1", "198.18.3.254", ScanMethod::Udp)));
    QTRY_COMPARE(m_run->state(), ScanRun::State::Paused);
    // Every host before 198.18.1.44 (index 299) is listed at once, none held back in a batch;
    // the row of the host on its way when the pause came follows.
    QCOMPARE(listedAtPause, 299);
    QTRY_COMPARE(m_list.count(), 300);
    QCOMPARE(m_list.scanRow(299).ipAddress, QStringLiteral("198.18.1.44"));
    m_run->stop();
    QTRY_COMPARE(m_run->state(), ScanRun::State::Idle);
    QCOMPARE(m_list.count(), 300);
}

QTEST_GUILESS_MAIN(TestScanRun)
#include "TestScanRun.moc"
