// The listen request and the answers of netkestrel-arp as the engine reads
// them: what is taken, in which canonical form, and what is refused.
#include "mac/helper/ArpClient.h"

#include <QTest>

namespace {

// A parsed answer in a form a row can state; "refused" when it is not one.
QString described(const std::string &line)
{
    arpclient::Answer answer;
    if (!arpclient::parseAnswer(line, answer))
        return QStringLiteral("refused");
    switch (answer.type) {
    case arpclient::Answer::Type::Heard:
        return QStringLiteral("%1 %2 %3 %4")
            .arg(answer.id)
            .arg(QString::fromStdString(std::string(arpproto::heardWord(answer.heard))),
                 QString::fromStdString(answer.addressText),
                 QString::fromStdString(arpproto::macText(answer.mac)));
    case arpclient::Answer::Type::Dropped:
        return QStringLiteral("%1 dropped %2").arg(answer.id).arg(answer.count);
    case arpclient::Answer::Type::Listening:
        return QStringLiteral("%1 listening").arg(answer.id);
    default:
        return QStringLiteral("other");
    }
}

} // namespace

class TestArpProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsListenAnswers_data();
    void readsListenAnswers();
    void readsListenRequests_data();
    void readsListenRequests();
};

void TestArpProtocol::readsListenAnswers_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    const QString mac = QStringLiteral("02-0A-E4-00-0D-02");
    QTest::newRow("arp request") << "heard 7 arp-request 198.18.13.2 " + mac
                                 << "7 arp-request 198.18.13.2 " + mac;
    QTest::newRow("ns, written again compressed")
        << "heard 1 ns fe80:0:0:0:0:0:0:2 " + mac << "1 ns fe80::2 " + mac;
    QTest::newRow("dad") << "heard 1 dad 2001:DB8::62 " + mac << "1 dad 2001:db8::62 " + mac;
    QTest::newRow("IPv4 in an IPv6 kind") << "heard 1 na 198.18.13.2 " + mac << "refused";
    QTest::newRow("IPv6 in an ARP kind") << "heard 1 arp-reply fe80::2 " + mac << "refused";
    QTest::newRow("IPv6 with a zone") << "heard 1 na fe80::2%eth0 " + mac << "refused";
    QTest::newRow("unknown kind") << "heard 1 rarp 198.18.13.2 " + mac << "refused";
    QTest::newRow("MAC in lower case") << QStringLiteral("heard 1 ns fe80::2 02-0a-e4-00-0d-02") << "refused";
    QTest::newRow("word beyond the MAC") << "heard 1 ns fe80::2 " + mac + " x"
                                         << "refused";
    QTest::newRow("dropped") << QStringLiteral("dropped 3 4294967295") << "3 dropped 4294967295";
    QTest::newRow("dropped beyond 32 bits") << QStringLiteral("dropped 3 4294967296") << "refused";
    QTest::newRow("listening") << QStringLiteral("listening 9") << "9 listening";
    QTest::newRow("listening with more") << QStringLiteral("listening 9 eth0") << "refused";
}

void TestArpProtocol::readsListenAnswers()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(described(line.toStdString()), expected);
}

void TestArpProtocol::readsListenRequests_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<uint>("id");
    const int none = int(arpproto::Refusal::None), malformed = int(arpproto::Refusal::Malformed);
    QTest::newRow("as the engine writes it")
        << QString::fromStdString(arpclient::listenLine(12, "eth0")).chopped(1) << none << 12u;
    QTest::newRow("ID 0") << QStringLiteral("listen 0 eth0") << malformed << 0u;
    QTest::newRow("more after the name") << QStringLiteral("listen 5 eth0 300") << malformed << 5u;
    QTest::newRow("name with a slash") << QStringLiteral("listen 5 eth0/x") << malformed << 5u;
    QTest::newRow("two spaces") << QStringLiteral("listen  5 eth0") << malformed << 0u;
}

void TestArpProtocol::readsListenRequests()
{
    QFETCH(QString, line);
    QFETCH(int, refusal);
    QFETCH(uint, id);
    arpproto::Request request;
    QCOMPARE(int(arpproto::parseRequest(line.toStdString(), request)), refusal);
    QCOMPARE(request.id, id);
    if (refusal == int(arpproto::Refusal::None)) {
        QCOMPARE(request.kind, arpproto::Kind::Listen);
        QCOMPARE(request.interfaceName, std::string("eth0"));
    }
}

QTEST_GUILESS_MAIN(TestArpProtocol)
#include "TestArpProtocol.moc"
