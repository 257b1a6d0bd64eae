#include <QTest>

#include "scan/NodeStatusMessage.h"

namespace {

constexpr quint32 Host = 0xC6120702; // 198.18.7.2

struct Name
{
    QByteArray text;
    quint8 suffix;
    bool group;
};

// A reply as a host sends it: 56 bytes the scan does not read, the name
// count, the names, the unit id and the statistics that follow it.
QByteArray reply(int count, const QList<Name> &names, const QByteArray &unitId, int trailing = 40)
{
    QByteArray bytes(56, '\x5A');
    bytes.append(char(count));
    for (const Name &n : names) {
        bytes.append(n.text.leftJustified(15, ' ', true));
        bytes.append(char(n.suffix));
        bytes.append(char(n.group ? 0x84 : 0x04));
        bytes.append('\0');
    }
    bytes.append(unitId);
    bytes.append(QByteArray(trailing, '\0'));
    return bytes;
}

const QByteArray Mac = QByteArray::fromHex("000AE4205355");

} // namespace

class TestNodeStatusMessage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestBytes()
    {
        // Header (one question), the name "*" first-level encoded, NBSTAT, IN.
        const QByteArray expected = QByteArray::fromHex("000000000001000000000000"
                                                        "20"
                                                        "434B") +
                                    QByteArray(30, 'A') +
                                    QByteArray::fromHex("00"
                                                        "0021"
                                                        "0001");
        QCOMPARE(NodeStatusMessage::request().size(), 50);
        QCOMPARE(NodeStatusMessage::request().toHex(), expected.toHex());
    }

    void parseReply_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<quint32>("source");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QString>("hostName");
        QTest::addColumn<QString>("workgroup");

        const QList<Name> windows = {
            {"HOSTA", 0x00, false}, {"WORKGROUP", 0x00, true}, {"HOSTA", 0x20, false}};
        QTest::newRow("host, workgroup, server")
            << reply(3, windows, Mac) << Host << 137 << true << "00-0A-E4-20-53-55"
            << "HOSTA"
            << "WORKGROUP";
        QTest::newRow("from another address") << reply(3, windows, Mac) << Host + 1 << 137 << false << ""
                                              << ""
                                              << "";
        QTest::newRow("from another port") << reply(3, windows, Mac) << Host << 138 << false << ""
                                           << ""
                                           << "";
        QTest::newRow("no names") << reply(0, {}, Mac) << Host << 137 << false << ""
                                  << ""
                                  << "";
        QTest::newRow("one unique name")
            << reply(1, {{"SOLO", 0x00, false}}, QByteArray::fromHex("0250C2A1B2C3")) << Host << 137 << true
            << "02-50-C2-A1-B2-C3"
            << "SOLO"
            << "";
        QTest::newRow("two unique names: the second wins")
            << reply(2, {{"FIRST", 0x00, false}, {"SECOND", 0x20, false}}, Mac) << Host << 137 << true
            << "00-0A-E4-20-53-55"
            << "SECOND"
            << "";
        QTest::newRow("group names with other suffixes")
            << reply(2, {{"DOMAIN", 0x1C, true}, {"DOMAIN", 0x1E, true}}, Mac) << Host << 137 << true
            << "00-0A-E4-20-53-55"
            << ""
            << "";
        QTest::newRow("only the first two names count")
            << reply(3, {{"DOMAIN", 0x1E, true}, {"DOMAIN", 0x1C, true}, {"LATE", 0x00, false}}, Mac) << Host
            << 137 << true << "00-0A-E4-20-53-55"
            << ""
            << "";
        QTest::newRow("workgroup after the host's names") << reply(5,
                                                                   {{"ALPHA10", 0x00, false},
                                                                    {"ALPHA10", 0x03, false},
                                                                    {"ALPHA10", 0x20, false},
                                                                    {"LABONE", 0x00, true},
                                                                    {"LABONE", 0x1E, true}},
                                                                   QByteArray(6, '\0'))
                                                          << Host << 137 << true << "00-00-00-00-00-00"
                                                          << "ALPHA10"
                                                          << "LABONE";
        QTest::newRow("only a 0x00 group further down")
            << reply(4, {{"PC", 0x00, false}, {"PC", 0x20, false}, {"DOM", 0x1C, true}, {"PC", 0x00, false}},
                     Mac)
            << Host << 137 << true << "00-0A-E4-20-53-55"
            << "PC"
            << "";
        QTest::newRow("group first, then host") << reply(2, {{"LAB", 0x00, true}, {"PC7", 0x03, false}}, Mac)
                                                << Host << 137 << true << "00-0A-E4-20-53-55"
                                                << "PC7"
                                                << "LAB";
        QTest::newRow("blanks and zero bytes trimmed")
            << reply(2, {{"  PAD", 0x00, false}, {QByteArray("WG\0junk", 7), 0x00, true}}, Mac) << Host << 137
            << true << "00-0A-E4-20-53-55"
            << "PAD"
            << "WG";
        QTest::newRow("zero unit id") << reply(1, {{"SMB", 0x00, false}}, QByteArray(6, '\0')) << Host << 137
                                      << true << "00-00-00-00-00-00"
                                      << "SMB"
                                      << "";

        // Name count against the bytes received.
        QTest::newRow("count past the end") << reply(30, windows, Mac) << Host << 137 << false << ""
                                            << ""
                                            << "";
        QTest::newRow("unit id cut short")
            << reply(1, {{"SOLO", 0x00, false}}, Mac).left(57 + 18 + 5) << Host << 137 << false << ""
            << ""
            << "";
        QTest::newRow("unit id ends the datagram")
            << reply(1, {{"SOLO", 0x00, false}}, Mac, 0) << Host << 137 << true << "00-0A-E4-20-53-55"
            << "SOLO"
            << "";
        QTest::newRow("shorter than the header") << QByteArray(56, '\x01') << Host << 137 << false << ""
                                                 << ""
                                                 << "";
        QTest::newRow("empty datagram") << QByteArray() << Host << 137 << false << ""
                                        << ""
                                        << "";

        // Only 500 bytes are received: 24 names fit with their unit id, 25 do not.
        QList<Name> many;
        for (int i = 0; i < 25; ++i)
            many.append({"N" + QByteArray::number(i), 0x00, i == 1});
        QTest::newRow("24 names fill the buffer")
            << reply(24, many.mid(0, 24), Mac, 200) << Host << 137 << true << "00-0A-E4-20-53-55"
            << "N0"
            << "N1";
        QTest::newRow("25 names overrun it") << reply(25, many, Mac, 200) << Host << 137 << false << ""
                                             << ""
                                             << "";
    }

    void parseReply()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(quint32, source);
        QFETCH(int, port);
        const NodeStatusReply r = NodeStatusMessage::parseReply(datagram, source, quint16(port), Host);
        QTEST(r.answered, "answered");
        if (!r.answered)
            return;
        QTEST(r.unitIdText(), "mac");
        QTEST(r.hostName, "hostName");
        QTEST(r.workgroup, "workgroup");
        QCOMPARE(r.unitIdIsZero(), r.unitIdText() == QLatin1String("00-00-00-00-00-00"));
    }
};

QTEST_GUILESS_MAIN(TestNodeStatusMessage)
#include "TestNodeStatusMessage.moc"
