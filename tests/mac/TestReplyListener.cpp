// The shared reply listener of the raw ARP path, in a network namespace of
// the test's own: ARP frames are sent on its loopback device, which hands
// every frame back as received, so nothing leaves the namespace. Root only.
#include "mac/ArpFrame.h"
#include "mac/ReplyListeners.h"

#include <QTest>

#include <arpa/inet.h>
#include <cstring>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using mac::Clock;
using mac::LocalInterface;
using mac::MacAddress;
using mac::ReplyListener;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(MacAddress)

namespace {

in_addr address(const char *text)
{
    in_addr result{};
    inet_pton(AF_INET, text, &result);
    return result;
}

MacAddress macOf(std::uint8_t last)
{
    return MacAddress{0x02, 0x0a, 0xe4, 0x00, 0x07, last};
}

} // namespace

class TestReplyListener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keepsOnlyRepliesFromItsNetwork_data();
    void keepsOnlyRepliesFromItsNetwork();
    void firstAnswerWins();
    void wakesEveryWaiterWithItsOwnAnswer();
    void sendsBroadcastRequestsFromOurAddress();
    void oneListenerPerNetworkAndInterface();

private:
    std::unique_ptr<ReplyListener> openListener();
    void sendArp(int operation, const char *sender, const MacAddress &senderMac, const char *target);

    LocalInterface m_local;
};

void TestReplyListener::initTestCase()
{
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
        QSKIP("needs root for a network namespace of its own");
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    QVERIFY(ioctl(fd, SIOCGIFFLAGS, &request) == 0);
    request.ifr_flags |= IFF_UP;
    QVERIFY(ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    close(fd);
    m_local.index = if_nametoindex("lo");
    QVERIFY(m_local.index != 0);
    m_local.address = address("198.18.7.1");
    m_local.hardware = macOf(1);
    m_local.hasHardware = true;
}

std::unique_ptr<ReplyListener> TestReplyListener::openListener()
{
    ReplyListener::OpenError error = ReplyListener::OpenError::Failed;
    return ReplyListener::open(m_local, address("198.18.7.20"), &error);
}

void TestReplyListener::sendArp(int operation, const char *sender, const MacAddress &senderMac,
                                const char *target)
{
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    const ether_arp packet = ArpFrame::packet(static_cast<std::uint16_t>(operation), senderMac.data(),
                                              address(sender), address(target));
    const sockaddr_ll link = ArpFrame::broadcastOn(static_cast<int>(m_local.index));
    const ssize_t sent =
        sendto(fd, &packet, sizeof packet, 0, reinterpret_cast<const sockaddr *>(&link), sizeof link);
    close(fd);
    QCOMPARE(sent, ssize_t(sizeof packet));
}

void TestReplyListener::keepsOnlyRepliesFromItsNetwork_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QByteArray>("sender");
    QTest::addColumn<bool>("kept");
    QTest::newRow("reply from the network") << int(ARPOP_REPLY) << QByteArray("198.18.7.20") << true;
    QTest::newRow("reply from host number 0") << int(ARPOP_REPLY) << QByteArray("198.18.7.0") << true;
    QTest::newRow("reply from host number 255") << int(ARPOP_REPLY) << QByteArray("198.18.7.255") << true;
    QTest::newRow("reply from the next network") << int(ARPOP_REPLY) << QByteArray("198.18.8.20") << false;
    QTest::newRow("reply from another /16") << int(ARPOP_REPLY) << QByteArray("198.19.7.20") << false;
    QTest::newRow("request from the network") << int(ARPOP_REQUEST) << QByteArray("198.18.7.20") << false;
}

void TestReplyListener::keepsOnlyRepliesFromItsNetwork()
{
    QFETCH(int, operation);
    QFETCH(QByteArray, sender);
    QFETCH(bool, kept);
    const std::unique_ptr<ReplyListener> listener = openListener();
    QVERIFY(listener);
    sendArp(operation, sender.constData(), macOf(20), "198.18.7.1");
    // The same host number in the listener's own network is what a stray
    // answer from elsewhere would wrongly fill.
    const in_addr asked =
        address(QByteArray("198.18.7." + sender.mid(sender.lastIndexOf('.') + 1)).constData());
    MacAddress answer{};
    QCOMPARE(listener->waitForReply(asked, Clock::now() + (kept ? 2000ms : 200ms), answer), kept);
    if (kept)
        QCOMPARE(answer, macOf(20));
}

void TestReplyListener::firstAnswerWins()
{
    const std::unique_ptr<ReplyListener> listener = openListener();
    QVERIFY(listener);
    sendArp(ARPOP_REPLY, "198.18.7.9", macOf(9), "198.18.7.1");
    MacAddress answer{};
    QVERIFY(listener->waitForReply(address("198.18.7.9"), Clock::now() + 2000ms, answer));
    sendArp(ARPOP_REPLY, "198.18.7.9", macOf(99), "198.18.7.1");
    std::this_thread::sleep_for(50ms);
    QVERIFY(listener->waitForReply(address("198.18.7.9"), Clock::now(), answer));
    QCOMPARE(answer, macOf(9));
}

void TestReplyListener::wakesEveryWaiterWithItsOwnAnswer()
{
    const std::unique_ptr<ReplyListener> listener = openListener();
    QVERIFY(listener);
    constexpr int waiterCount = 6;
    std::vector<MacAddress> answers(waiterCount);
    std::vector<int> answered(waiterCount, 0);
    std::vector<std::thread> waiters;
    for (int i = 0; i < waiterCount; ++i) {
        waiters.emplace_back([&, i] {
            const QByteArray host = "198.18.7." + QByteArray::number(100 + i);
            answered[i] =
                listener->waitForReply(address(host.constData()), Clock::now() + 3000ms, answers[i]);
        });
    }
    // Every other host answers; the rest time out without an answer.
    for (int i = 0; i < waiterCount; i += 2) {
        const QByteArray host = "198.18.7." + QByteArray::number(100 + i);
        sendArp(ARPOP_REPLY, host.constData(), macOf(std::uint8_t(100 + i)), "198.18.7.1");
    }
    for (std::thread &waiter : waiters)
        waiter.join();
    for (int i = 0; i < waiterCount; ++i) {
        QCOMPARE(answered[i], i % 2 == 0 ? 1 : 0);
        if (answered[i])
            QCOMPARE(answers[i], macOf(std::uint8_t(100 + i)));
    }
}

void TestReplyListener::sendsBroadcastRequestsFromOurAddress()
{
    const int capture = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    QVERIFY(capture >= 0);
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ARP);
    bound.sll_ifindex = static_cast<int>(m_local.index);
    QVERIFY(bind(capture, reinterpret_cast<const sockaddr *>(&bound), sizeof bound) == 0);
    {
        const std::unique_ptr<ReplyListener> listener = openListener();
        QVERIFY(listener);
        listener->sendRequest(address("198.18.7.42"));
    }
    pollfd waiting{capture, POLLIN, 0};
    QVERIFY(poll(&waiting, 1, 2000) == 1);
    ether_arp request{};
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    QCOMPARE(recvfrom(capture, &request, sizeof request, 0, reinterpret_cast<sockaddr *>(&from), &fromLength),
             ssize_t(sizeof request));
    close(capture);
    // Loopback has no broadcast address of its own: the all-ones destination
    // arrives as a group address there.
    QVERIFY(from.sll_pkttype == PACKET_BROADCAST || from.sll_pkttype == PACKET_MULTICAST);
    QCOMPARE(ntohs(request.arp_op), std::uint16_t(ARPOP_REQUEST));
    QCOMPARE(std::memcmp(request.arp_sha, m_local.hardware.data(), ETH_ALEN), 0);
    QCOMPARE(std::memcmp(request.arp_spa, &m_local.address, 4), 0);
    const in_addr target = address("198.18.7.42");
    QCOMPARE(std::memcmp(request.arp_tpa, &target, 4), 0);
}

void TestReplyListener::oneListenerPerNetworkAndInterface()
{
    mac::ReplyListeners listeners;
    ReplyListener::OpenError error = ReplyListener::OpenError::Failed;
    ReplyListener *first = listeners.listenerFor(m_local, address("198.18.7.3"), &error);
    QVERIFY(first);
    QCOMPARE(error, ReplyListener::OpenError::None);
    QCOMPARE(listeners.listenerFor(m_local, address("198.18.7.250"), &error), first);
    ReplyListener *next = listeners.listenerFor(m_local, address("198.18.8.3"), &error);
    QVERIFY(next);
    QVERIFY(next != first);
    QVERIFY(next->serves(m_local.index, address("198.18.8.200")));
    QVERIFY(!next->serves(m_local.index + 1, address("198.18.8.200")));
}

QTEST_GUILESS_MAIN(TestReplyListener)
#include "TestReplyListener.moc"
