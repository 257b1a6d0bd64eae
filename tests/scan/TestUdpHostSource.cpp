// The UDP method and the blocking probe against crafted replies on loopback.
// The test moves itself into a network namespace of its own first (root), so
// that the whole of 127.0.0.0/8 and its port 137 are the test's alone.
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "lists/ScanListModel.h"
#include "scan/NodeStatusMessage.h"
#include "scan/NodeStatusProbe.h"
#include "scan/ScanRun.h"
#include "tests/scan/LoopbackResponder.h"

namespace {

constexpr quint32 Loopback = 0x7F000000;

QByteArray reply(int count, const QList<QPair<QByteArray, quint8>> &names, const QByteArray &unitId)
{
    QByteArray bytes(56, '\0');
    bytes.append(char(count));
    for (const auto &n : names) {
        bytes.append(n.first.leftJustified(15, ' ', true));
        bytes.append(char(0x00));
        bytes.append(char(n.second));
        bytes.append('\0');
    }
    return bytes + unitId + QByteArray(20, '\0');
}

QByteArray host(const QByteArray &name, const QByteArray &group, const char *macHex)
{
    return reply(2, {{name, 0x04}, {group, 0x84}}, QByteArray::fromHex(macHex));
}

// The crafted network of the run tests: 127.0.0.1 .. 127.0.0.40.
QList<LoopbackResponder::Host> craftedHosts()
{
    QList<LoopbackResponder::Host> hosts;
    hosts.append({Loopback + 3, host("ALPHA", "LAB", "020000000003")});
    // Answers after its time is over, while .6 and .7 are being asked.
    hosts.append({Loopback + 5, host("LATE", "LAB", "020000000005"), 60});
    // Its answer comes from an address outside the range.
    hosts.append({Loopback + 7, host("STRANGER", "LAB", "020000000007"), 0, Loopback + 0x100 + 1});
    // From another port.
    hosts.append({Loopback + 9, host("PORT", "LAB", "020000000009"), 0, 0, 138});
    hosts.append({Loopback + 11, reply(0, {}, {})});
    // A name count far past the bytes sent.
    hosts.append({Loopback + 12, reply(40, {{"HUGE", 0x04}}, QByteArray::fromHex("02000000000C"))});
    hosts.append({Loopback + 14, host("BETA", "OFFICE", "02000000000E"), 20});
    hosts.append({Loopback + 40, reply(1, {{"OMEGA", 0x04}}, QByteArray(6, '\0'))});
    return hosts;
}

} // namespace

class TestUdpHostSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void probe_data();
    void probe();
    void probeIgnoresOthersFirst();
    void run_data();
    void run();
    void stopWhilePaused();

private:
    std::unique_ptr<LoopbackResponder> m_responder;
};

void TestUdpHostSource::probe_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("showSilent");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<int>("found");

    QTest::newRow("at once") << 0 << 0 << "02-00-00-00-00-21"
                             << "PROBE" << 1;
    QTest::newRow("within the time") << 15 << 0 << "02-00-00-00-00-21"
                                     << "PROBE" << 1;
    QTest::newRow("too late") << 80 << 0 << ""
                              << "" << 0;
    QTest::newRow("too late, marker") << 80 << 1 << "Non-Responded IP"
                                      << "" << 0;
}

void TestUdpHostSource::probe()
{
    QFETCH(int, delayMs);
    QFETCH(int, showSilent);
    LoopbackResponder responder({{Loopback + 0x21, host("PROBE", "PGROUP", "020000000021"), delayMs}});
    QVERIFY(responder.isListening());
    NodeStatusResults results{QStringLiteral("stale"), QStringLiteral("stale"), QStringLiteral("stale")};
    int foundCount = 7;
    NodeStatusProbe(QStringLiteral("127.0.0.33"), showSilent, results, foundCount);
    QTEST(results.mac, "mac");
    QTEST(results.hostName, "hostName");
    QCOMPARE(results.workgroup, results.hostName.isEmpty() ? QString() : QStringLiteral("PGROUP"));
    QFETCH(int, found);
    QCOMPARE(foundCount - 7, found);
    QTest::qWait(100); // the late answer lands on a closed socket
}

void TestUdpHostSource::probeIgnoresOthersFirst()
{
    // A stranger answers first, from another address; the host right after.
    LoopbackResponder responder({{Loopback + 0x22, host("OTHER", "X", "020000000099"), 0, Loopback + 0x23},
                                 {Loopback + 0x22, host("RIGHT", "Y", "020000000022"), 5}});
    QVERIFY(responder.isListening());
    NodeStatusResults results;
    int found = 0;
    NodeStatusProbe(QStringLiteral("127.0.0.34"), 0, results, found);
    QCOMPARE(results.hostName, QStringLiteral("RIGHT"));
    QCOMPARE(results.mac, QStringLiteral("02-00-00-00-00-22"));
    QCOMPARE(found, 1);

    NodeStatusProbe(QStringLiteral("300.1.1.1"), 1, results, found);
    QCOMPARE(results.mac, QStringLiteral("Non-Responded IP"));
    QCOMPARE(found, 1);
}

void TestUdpHostSource::run_data()
{
    QTest::addColumn<int>("paceMs");
    QTest::addColumn<bool>("backwards");
    QTest::newRow("default") << 15 << false;
    QTest::newRow("default, entered backwards") << 15 << true;
    QTest::newRow("fast") << 0 << false;
    QTest::newRow("fast, entered backwards") << 5 << true;
}

void TestUdpHostSource::run()
{
    QFETCH(int, paceMs);
    QFETCH(bool, backwards);
    LoopbackResponder responder(craftedHosts());
    QVERIFY(responder.isListening());

    ScanListModel list;
    ScanRun scan(&list);
    QSignalSpy startFailed(&scan, &ScanRun::startFailed);
    scan.setPacing(HostSource::Pacing::fromPace(paceMs));
    scan.setShowSilent(true);
    QSignalSpy finished(&scan, &ScanRun::finished);
    QSignalSpy order(&scan, &ScanRun::rangeOrderShown);
    const QString low = QStringLiteral("127.0.0.1"), high = QStringLiteral("127.0.0.40");
    QVERIFY(scan.start(
        *ScanRange::fromAddresses(backwards ? high : low, backwards ? low : high, ScanMethod::Udp)));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toString(),
             QStringLiteral("Scan Complete! Scanned: 40 IP, Found 3 connected "));
    QCOMPARE(order.size(), 1);
    QCOMPARE(order.first().first().toBool(), backwards);
    QVERIFY(startFailed.isEmpty());

    QStringList answered;
    QCOMPARE(list.count(), 40);
    for (int i = 0; i < list.count(); ++i) {
        const ScanRow row = list.scanRow(i);
        QCOMPARE(row.ipAddress, QStringLiteral("127.0.0.%1").arg(i + 1));
        if (row.isMarker()) {
            QVERIFY(row.number.isEmpty());
            continue;
        }
        answered << QStringList{row.number, row.ipAddress, row.macAddress, row.hostName, row.workgroup}.join(
            QLatin1Char(' '));
    }
    // No neighbour table on loopback: the zero unit id stands.
    QCOMPARE(answered, (QStringList{"1 127.0.0.3 02-00-00-00-00-03 ALPHA LAB",
                                    "2 127.0.0.14 02-00-00-00-00-0E BETA OFFICE",
                                    "3 127.0.0.40 00-00-00-00-00-00 OMEGA "}));
}

void TestUdpHostSource::stopWhilePaused()
{
    LoopbackResponder responder(craftedHosts());
    ScanListModel list;
    ScanRun scan(&list);
    scan.setPacing(HostSource::Pacing::fromPace(0));
    QSignalSpy finished(&scan, &ScanRun::finished);
    connect(&scan, &ScanRun::statusTextChanged, &scan, [&scan](const QString &text) {
        if (text.endsWith(QLatin1String("Scaning:127.0.0.10")) && scan.state() == ScanRun::State::Running) {
            scan.togglePause();
            QTimer::singleShot(50, &scan, [&scan] { scan.stop(); });
        }
    });
    QVERIFY(scan.start(*ScanRange::fromAddresses(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.40"),
                                                 ScanMethod::Udp)));
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toString(),
             QStringLiteral("Scan Complete! Scanned: 10 IP, Found 1 connected "));
    QCOMPARE(list.count(), 1);
}

int main(int argc, char *argv[])
{
    if (::unshare(CLONE_NEWNET) != 0) {
        std::fputs("TestUdpHostSource: needs root to make a network namespace of its own; skipped\n", stderr);
        return 77;
    }
    // The new namespace's loopback starts down.
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
    request.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    if (fd < 0 || ::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
        return 1;
    ::close(fd);
    QCoreApplication app(argc, argv);
    TestUdpHostSource test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestUdpHostSource.moc"
