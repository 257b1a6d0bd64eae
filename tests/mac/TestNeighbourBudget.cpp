// The neighbour-table budget: its room from the kernel's thresholds, the
// leases that end by time, and the blocking take of the resolver threads.
#include "mac/NeighbourBudget.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

using mac::NeighbourBudget;
using mac::NeighbourThresholds;
using namespace std::chrono_literals;
using Clock = NeighbourBudget::Clock;

Q_DECLARE_METATYPE(NeighbourThresholds)

class TestNeighbourBudget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roomStaysWellInsideTheTable_data();
    void roomStaysWellInsideTheTable();
    void readsThresholds_data();
    void readsThresholds();
    void machineThresholdsGiveARoom();
    void leasesEndByTime();
    void leasesTakenOutOfOrderEndInOrder();
    void askingAgainRenewsTheLease();
    void takeWaitsForTheNextRelease();
    void threadsNeverHoldMoreThanTheRoom();
};

void TestNeighbourBudget::roomStaysWellInsideTheTable_data()
{
    QTest::addColumn<NeighbourThresholds>("thresholds");
    QTest::newRow("Linux defaults") << NeighbourThresholds{128, 512, 1024};
    QTest::newRow("large table") << NeighbourThresholds{8192, 32768, 65536};
    QTest::newRow("soft limit close to hard") << NeighbourThresholds{128, 1000, 1024};
    QTest::newRow("soft limit far below hard") << NeighbourThresholds{128, 200, 4096};
    QTest::newRow("tiny table") << NeighbourThresholds{4, 8, 16};
}

void TestNeighbourBudget::roomStaysWellInsideTheTable()
{
    QFETCH(NeighbourThresholds, thresholds);
    const int room = NeighbourBudget::roomFor(thresholds);
    QVERIFY(room >= NeighbourBudget::minimumRoom);
    if (room > NeighbourBudget::minimumRoom) {
        // Four scans at once still stay below the hard limit, two below the soft one.
        QVERIFY2(4L * room <= thresholds.gc3, qPrintable(QString::number(room)));
        QVERIFY2(2L * room <= thresholds.gc2, qPrintable(QString::number(room)));
        // ... and the room is not wasted either.
        QVERIFY(4L * (room + 1) > thresholds.gc3 || 2L * (room + 1) > thresholds.gc2);
    }
}

void TestNeighbourBudget::readsThresholds_data()
{
    QTest::addColumn<QStringList>("files"); // contents of gc_thresh1..3, "-" for a missing file
    QTest::addColumn<bool>("valid");
    QTest::newRow("three numbers") << QStringList{"128\n", "512\n", "1024\n"} << true;
    QTest::newRow("no new line") << QStringList{"1", "2", "3"} << true;
    QTest::newRow("one missing") << QStringList{"128\n", "-", "1024\n"} << false;
    QTest::newRow("not a number") << QStringList{"128\n", "many\n", "1024\n"} << false;
    QTest::newRow("empty") << QStringList{"128\n", "512\n", ""} << false;
    QTest::newRow("zero") << QStringList{"0\n", "512\n", "1024\n"} << false;
}

void TestNeighbourBudget::readsThresholds()
{
    QFETCH(QStringList, files);
    QFETCH(bool, valid);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (int i = 0; i < files.size(); ++i) {
        if (files[i] == "-")
            continue;
        QFile file(folder.filePath(QStringLiteral("gc_thresh%1").arg(i + 1)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(files[i].toLatin1());
    }
    const auto read = mac::readNeighbourThresholds(folder.path().toStdString());
    QCOMPARE(read.has_value(), valid);
    if (valid) {
        QCOMPARE(read->gc1, files[0].trimmed().toLong());
        QCOMPARE(read->gc2, files[1].trimmed().toLong());
        QCOMPARE(read->gc3, files[2].trimmed().toLong());
    }
}

void TestNeighbourBudget::machineThresholdsGiveARoom()
{
    const auto read = mac::readNeighbourThresholds();
    if (!read)
        QSKIP("no /proc/sys/net/ipv4/neigh/default here");
    QVERIFY(read->gc1 <= read->gc2 && read->gc2 <= read->gc3);
    QVERIFY(NeighbourBudget::process().room() >= NeighbourBudget::minimumRoom);
    QVERIFY(NeighbourBudget::process().room() < read->gc3);
}

void TestNeighbourBudget::leasesEndByTime()
{
    NeighbourBudget budget(3, 100ms);
    const Clock::time_point t0 = Clock::now();
    QVERIFY(!budget.nextRelease(t0));
    for (int i = 0; i < 3; ++i)
        QVERIFY(budget.tryTake(i, t0 + i * 10ms));
    QVERIFY(!budget.tryTake(3, t0 + 20ms));
    QCOMPARE(budget.held(t0 + 20ms), 3);
    QCOMPARE(*budget.nextRelease(t0 + 20ms), t0 + 100ms);
    QVERIFY(!budget.tryTake(3, t0 + 99ms));
    // The first lease ends: exactly one more fits.
    QVERIFY(budget.tryTake(3, t0 + 100ms));
    QVERIFY(!budget.tryTake(4, t0 + 105ms));
    QCOMPARE(*budget.nextRelease(t0 + 105ms), t0 + 110ms);
    QCOMPARE(budget.held(t0 + 150ms), 1);
    QCOMPARE(budget.held(t0 + 200ms), 0);
    QVERIFY(!budget.nextRelease(t0 + 200ms));
}

void TestNeighbourBudget::leasesTakenOutOfOrderEndInOrder()
{
    // Threads may pass their clock readings in a different order than they take.
    NeighbourBudget budget(2, 100ms);
    const Clock::time_point t0 = Clock::now();
    QVERIFY(budget.tryTake(1, t0 + 50ms));
    QVERIFY(budget.tryTake(2, t0 + 10ms));
    QCOMPARE(*budget.nextRelease(t0 + 50ms), t0 + 110ms);
    QVERIFY(budget.tryTake(3, t0 + 110ms));
    QCOMPARE(*budget.nextRelease(t0 + 110ms), t0 + 150ms);
}

void TestNeighbourBudget::askingAgainRenewsTheLease()
{
    NeighbourBudget budget(2, 100ms);
    const Clock::time_point t0 = Clock::now();
    QVERIFY(budget.tryTake(7, t0));
    QVERIFY(budget.tryTake(8, t0 + 10ms));
    // Full, but a destination with an entry already costs no room ...
    QVERIFY(budget.tryTake(7, t0 + 50ms));
    QCOMPARE(budget.held(t0 + 50ms), 2);
    // ... and holds it a whole hold from its last send.
    QCOMPARE(*budget.nextRelease(t0 + 50ms), t0 + 110ms);
    QVERIFY(!budget.tryTake(9, t0 + 105ms));
    QVERIFY(budget.tryTake(9, t0 + 110ms));
    QCOMPARE(budget.held(t0 + 149ms), 2);
    QCOMPARE(budget.held(t0 + 150ms), 1);
    // A reading older than its lease does not shorten it.
    QVERIFY(budget.tryTake(9, t0 + 100ms));
    QCOMPARE(budget.held(t0 + 209ms), 1);
    QCOMPARE(budget.held(t0 + 210ms), 0);
}

void TestNeighbourBudget::takeWaitsForTheNextRelease()
{
    NeighbourBudget budget(1, 80ms);
    const Clock::time_point start = Clock::now();
    QVERIFY(budget.take(1, start + 1s));
    QVERIFY(Clock::now() - start < 50ms);
    // Full: the second take returns once the first lease has ended.
    QVERIFY(budget.take(2, Clock::now() + 1s));
    QVERIFY(Clock::now() - start >= 80ms);
    // Full again, and giving up before the lease ends.
    const Clock::time_point before = Clock::now();
    QVERIFY(!budget.take(3, before + 20ms));
    QVERIFY(Clock::now() - before >= 20ms);
    QVERIFY(Clock::now() - before < 70ms);
}

void TestNeighbourBudget::threadsNeverHoldMoreThanTheRoom()
{
    constexpr int room = 4;
    constexpr int takes = 18;
    constexpr auto hold = 30ms;
    NeighbourBudget budget(room, hold);
    std::atomic<int> taken{0};
    std::atomic<int> mostHeld{0};
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < takes / 6; ++i) {
                if (!budget.take(std::uint32_t(t * 100 + i), Clock::now() + 5s))
                    continue;
                ++taken;
                int held = budget.held(Clock::now());
                int most = mostHeld.load();
                while (held > most && !mostHeld.compare_exchange_weak(most, held)) {
                }
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(taken.load(), takes);
    QVERIFY(mostHeld.load() <= room);
    // 18 leases, 4 at a time: the last group cannot start before four holds have passed.
    QVERIFY(Clock::now() - start >= (takes - 1) / room * hold);
}

QTEST_GUILESS_MAIN(TestNeighbourBudget)
#include "TestNeighbourBudget.moc"
