// libmac.so without network traffic: every prefix used here lies on no
// interface (198.51.100.0/24 is a documentation range, 127.0.0.0/8 is
// loopback, which the library never asks), so each worker fails at once.
#include "mac/mac.h"

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <vector>

namespace {

constexpr unsigned char filler = 0xAA;
const char *const offLinkPrefix = "198.51.100.";

struct CallerArray
{
    explicit CallerArray(int lowerBound, uint32_t count = MAC_SLOT_COUNT)
        : bytes(std::size_t{count} * MAC_SLOT_SIZE, filler)
    {
        array.dimensions = 1;
        array.elementSize = MAC_SLOT_SIZE;
        array.data = bytes.data();
        array.bounds[0] = {count, lowerBound};
    }
    bool allBytesAre(unsigned char value) const
    {
        return std::all_of(bytes.begin(), bytes.end(), [value](unsigned char b) { return b == value; });
    }
    std::vector<unsigned char> bytes;
    MacArray array{};
    MacArray *descriptor = &array;
};

qint64 millisecondsFor(const char *prefix, int32_t from, int32_t to)
{
    QElapsedTimer timer;
    timer.start();
    Therad(prefix, from, to);
    return timer.elapsed();
}

} // namespace

class TestMacLibrary : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetTheradPacing(0);
        SetArpTimeout(1000);
    }

    void freshTableIsZeroAndOutOfRangeElementsAreZeroFilled_data()
    {
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<int>("lowerBound");
        QTest::addColumn<int>("count");
        QTest::newRow("off-link, 0..255") << QByteArray(offLinkPrefix) << 0 << 256;
        QTest::newRow("loopback, 0..255") << QByteArray("127.0.0.") << 0 << 256;
        QTest::newRow("bounds -5..260") << QByteArray(offLinkPrefix) << -5 << 266;
        QTest::newRow("bounds 250..300") << QByteArray(offLinkPrefix) << 250 << 51;
        QTest::newRow("bounds all outside") << QByteArray(offLinkPrefix) << 1000 << 3;
        QTest::newRow("bounds near INT32_MAX") << QByteArray(offLinkPrefix) << INT32_MAX - 1 << 4;
    }
    void freshTableIsZeroAndOutOfRangeElementsAreZeroFilled()
    {
        QFETCH(QByteArray, prefix);
        QFETCH(int, lowerBound);
        QFETCH(int, count);
        Therad(prefix.constData(), 0, 255);
        QTRY_COMPARE(PendingWorkers(), 0);

        CallerArray caller(lowerBound, static_cast<uint32_t>(count));
        revData(&caller.descriptor);
        QVERIFY(caller.allBytesAre(0));
    }

    void badDescriptorsAreIgnored_data()
    {
        QTest::addColumn<int>("dimensions");
        QTest::addColumn<int>("elementSize");
        QTest::addColumn<bool>("nullData");
        QTest::newRow("no dimension") << 0 << MAC_SLOT_SIZE << false;
        QTest::newRow("two dimensions") << 2 << MAC_SLOT_SIZE << false;
        QTest::newRow("element 511 bytes") << 1 << 511 << false;
        QTest::newRow("element 513 bytes") << 1 << 513 << false;
        QTest::newRow("no data") << 1 << MAC_SLOT_SIZE << true;
    }
    void badDescriptorsAreIgnored()
    {
        QFETCH(int, dimensions);
        QFETCH(int, elementSize);
        QFETCH(bool, nullData);
        Therad(offLinkPrefix, 0, 3);
        QTRY_COMPARE(PendingWorkers(), 0);

        CallerArray caller(0);
        caller.array.dimensions = static_cast<uint16_t>(dimensions);
        caller.array.elementSize = static_cast<uint32_t>(elementSize);
        if (nullData)
            caller.array.data = nullptr;
        revData(&caller.descriptor);
        QVERIFY(caller.allBytesAre(filler));
    }

    void nullPointersAreIgnored()
    {
        revData(nullptr);
        MacArray *none = nullptr;
        revData(&none);
        char out[4] = {'x', 'x', 'x', 'x'};
        QVERIFY(revFurtherMacs(0, nullptr, 4) == 0 && revFurtherMacs(0, out, 0) == 0);
        QVERIFY(revFurtherMacs(256, out, 4) == 0 && out[0] == 'x'); // refused: nothing written
    }

    void pendingWorkersCountsDownToZero()
    {
        SetArpTimeout(10000); // failing at once must not wait for it
        Therad(offLinkPrefix, 0, 255);
        QTRY_COMPARE_WITH_TIMEOUT(PendingWorkers(), 0, 5000);
    }

    // A refused call starts nothing: with 15 ms pacing, accepting 200 hosts
    // would take 3 s, so returning within 1 s shows no pacing step ran.
    void refusedCallsStartNothing_data()
    {
        QTest::addColumn<bool>("nullPrefix");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("from below 0") << false << -1 << 200;
        QTest::newRow("to above 255") << false << 55 << 256;
        QTest::newRow("from above to") << false << 255 << 55;
        QTest::newRow("null prefix") << true << 0 << 200;
    }
    void refusedCallsStartNothing()
    {
        QFETCH(bool, nullPrefix);
        QFETCH(int, from);
        QFETCH(int, to);
        SetTheradPacing(15);
        QCOMPARE(Therad(nullPrefix ? nullptr : offLinkPrefix, from, to), 0);
        QCOMPARE(PendingWorkers(), 0);
        QVERIFY(millisecondsFor(nullPrefix ? nullptr : offLinkPrefix, from, to) < 1000);
    }

    // Each start is followed by one pacing sleep, clamped to 0..15 ms.
    void pacingIsClampedTo15Milliseconds_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("hosts");
        QTest::addColumn<qint64>("atLeastMs");
        QTest::addColumn<qint64>("belowMs");
        QTest::newRow("15 ms") << 15 << 10 << qint64(150) << qint64(10 * 100);
        QTest::newRow("1000 ms clamps to 15") << 1000 << 10 << qint64(150) << qint64(10 * 100);
        QTest::newRow("0 ms") << 0 << 100 << qint64(0) << qint64(100 * 15);
        QTest::newRow("-5 ms clamps to 0") << -5 << 100 << qint64(0) << qint64(100 * 15);
    }
    void pacingIsClampedTo15Milliseconds()
    {
        QFETCH(int, setting);
        QFETCH(int, hosts);
        QFETCH(qint64, atLeastMs);
        QFETCH(qint64, belowMs);
        SetTheradPacing(setting);
        const qint64 elapsed = millisecondsFor(offLinkPrefix, 100, 100 + hosts - 1);
        QVERIFY2(elapsed >= atLeastMs && elapsed < belowMs, QByteArray::number(elapsed).constData());
        QTRY_COMPARE(PendingWorkers(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMacLibrary)
#include "TestMacLibrary.moc"
