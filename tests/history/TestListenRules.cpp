#include <QSignalSpy>
#include <QTest>

#include "history/ListenRules.h"
#include "history/ListenSession.h"
#include "lists/ScanRow.h"
#include "scan/LinkListener.h"

namespace {

const QDateTime Start(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);
const QString A = QStringLiteral("00-0A-E4-00-00-0A");
const QString B = QStringLiteral("00-0A-E4-00-00-0B");

// "kind address MAC seconds", kind as the helper names it in short: req,
// rep, probe, ann, ns, na, dad. A and B stand for two MACs.
HeardFrame frameOf(const QString &text)
{
    static const QHash<QString, HeardFrame::Kind> kinds{
        {"req", HeardFrame::Kind::ArpRequest},           {"rep", HeardFrame::Kind::ArpReply},
        {"probe", HeardFrame::Kind::ArpProbe},           {"ann", HeardFrame::Kind::ArpAnnouncement},
        {"ns", HeardFrame::Kind::NeighbourSolicitation}, {"na", HeardFrame::Kind::NeighbourAdvertisement},
        {"dad", HeardFrame::Kind::DuplicateAddressCheck}};
    const QStringList parts = text.split(QLatin1Char(' '));
    const QString mac = parts.value(2);
    return {kinds.value(parts.value(0)), parts.value(1),
            mac == QLatin1String("A")   ? A
            : mac == QLatin1String("B") ? B
                                        : mac,
            Start.addSecs(parts.value(3).toInt())};
}

// "kind IP MAC [other]" of the events, the rule's word, IP and MAC of the
// findings.
QStringList summaries(const ListenRules::Outcome &outcome)
{
    QStringList lines;
    for (const ChangeEvent &e : outcome.events) {
        QString line = ChangeEvent::kindWord(e.kind) + QLatin1Char(' ') + e.ipAddress + QLatin1Char(' ') +
                       (e.macs.isEmpty() ? e.macAddress : e.macs.join(QLatin1Char(',')));
        if (!e.otherMac.isEmpty() && e.macs.isEmpty())
            line += QLatin1Char(' ') + e.otherMac;
        lines.append(line.replace(A, QLatin1String("A")).replace(B, QLatin1String("B")));
    }
    for (const ListenRules::Finding &f : outcome.findings) {
        const QString word = f.text.contains(QLatin1String("belongs")) ? QStringLiteral("ip-other-mac")
                                                                       : QStringLiteral("ip-not-preset");
        lines.append(word + QLatin1Char(' ') + f.ip + QLatin1Char(' ') +
                     QString(f.mac).replace(A, QLatin1String("A")).replace(B, QLatin1String("B")));
    }
    return lines;
}

class FakeListener : public LinkListener
{
public:
    using LinkListener::LinkListener;
};

} // namespace

class TestListenRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // history: "IP MAC seconds" of the site's history (seconds from Start);
    // records: "IP MAC", none for no findings; frames in the order heard.
    void hear_data()
    {
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QStringList>("expected");

        const QString r = QStringLiteral("198.18.5.10 ") + A;
        QTest::newRow("a new station chatters: one event, one finding")
            << QStringList{} << QStringList{r}
            << QStringList{"req 198.18.5.12 A 0", "req 198.18.5.12 A 1", "rep 198.18.5.12 A 2"}
            << QStringList{"new-station 198.18.5.12 A", "ip-not-preset 198.18.5.12 A"};
        QTest::newRow("a randomised MAC")
            << QStringList{} << QStringList{r} << QStringList{"rep 198.18.5.11 DA-A1-19-00-00-01 0"}
            << QStringList{"new-station 198.18.5.11 DA-A1-19-00-00-01",
                           "randomised-mac 198.18.5.11 DA-A1-19-00-00-01",
                           "ip-not-preset 198.18.5.11 DA-A1-19-00-00-01"};
        QTest::newRow("the recorded holder, long quiet, is replaced")
            << QStringList{"198.18.5.10 A -3600", "198.18.5.20 B -7200"} << QStringList{r}
            << QStringList{"ann 198.18.5.10 B 0", "req 198.18.5.10 B 5"}
            << QStringList{"mac-changed 198.18.5.10 B A", "ip-other-mac 198.18.5.10 B"};
        QTest::newRow("a gratuitous ARP while the holder answers: one conflict, a third MAC another")
            << QStringList{"198.18.5.10 A -30", "198.18.5.20 B -30"} << QStringList{r}
            << QStringList{"ann 198.18.5.10 B 0", "rep 198.18.5.10 A 1", "ann 198.18.5.10 B 2",
                           "ann 198.18.5.10 00-0A-E4-00-00-0C 3"}
            << QStringList{"ip-conflict 198.18.5.10 A,B", "ip-other-mac 198.18.5.10 B",
                           "new-station 198.18.5.10 00-0A-E4-00-00-0C",
                           "ip-conflict 198.18.5.10 A,B,00-0A-E4-00-00-0C",
                           "ip-other-mac 198.18.5.10 00-0A-E4-00-00-0C"};
        QTest::newRow("a probe for a held address conflicts, one for a left one does not")
            << QStringList{"198.18.5.10 A -60", "198.18.5.11 A -3600"} << QStringList{r}
            << QStringList{"probe 198.18.5.10 B 0", "probe 198.18.5.11 B 0", "probe 198.18.5.10 B 1"}
            << QStringList{"ip-conflict 198.18.5.10 A,B"};
        QTest::newRow("a conflict that ended is told again when it comes back")
            << QStringList{"198.18.5.10 A -30"} << QStringList{}
            << QStringList{"probe 198.18.5.10 B 0", "rep 198.18.5.10 A 600", "probe 198.18.5.10 B 601"}
            << QStringList{"ip-conflict 198.18.5.10 A,B", "ip-conflict 198.18.5.10 A,B"};
        QTest::newRow("back to the MAC just left flip-flops, back after long changes")
            << QStringList{"198.18.5.10 A -3600", "198.18.5.20 B -3600", "198.18.5.30 A -3600"}
            << QStringList{}
            << QStringList{"rep 198.18.5.10 B 0", "rep 198.18.5.10 A 300", "rep 198.18.5.30 B 0",
                           "rep 198.18.5.30 A 5000"}
            << QStringList{"mac-changed 198.18.5.10 B A", "flip-flop 198.18.5.10 A B",
                           "mac-changed 198.18.5.30 B A", "mac-changed 198.18.5.30 A B"};
        QTest::newRow("IPv6: events, no findings; a duplicate address check conflicts")
            << QStringList{} << QStringList{r}
            << QStringList{"na 2001:2:0:0:0:0:0:10 A 0", "ns 2001:2::10 A 1", "dad 2001:2::10 B 2",
                           "ns fe80::20a:e4ff:fe00:b B 3"}
            << QStringList{"new-station 2001:2::10 A", "ip-conflict 2001:2::10 A,B",
                           "new-station fe80::20a:e4ff:fe00:b B"};
        QTest::newRow("refused: off the range, no station MAC, no address, not the frame's family")
            << QStringList{} << QStringList{}
            << QStringList{"rep 198.18.6.1 A 0",
                           "rep 198.18.5.12 01-00-5E-00-00-01 0",
                           "rep 198.18.5.12 00-00-00-00-00-00 0",
                           "rep 0.0.0.0 A 0",
                           "na 198.18.5.12 A 0",
                           "rep ff02::1 A 0",
                           "dad ff02::1 A 0",
                           "rep 198.18.5.1000 A 0"}
            << QStringList{};
    }

    void hear()
    {
        QFETCH(QStringList, history);
        QFETCH(QStringList, records);
        QFETCH(QStringList, frames);
        QFETCH(QStringList, expected);

        ListenRules rules(QStringLiteral("lab"));
        rules.setRange(0xC6120500, 0xC61205FF); // 198.18.5.0/24
        QList<HistoryEntry> entries;
        for (const QString &line : history) {
            const QStringList parts = line.split(QLatin1Char(' '));
            HistoryEntry &entry = entries.emplace_back();
            entry.ipAddress = parts.at(0);
            entry.macAddress = parts.at(1) == QLatin1String("A") ? A : B;
            entry.lastSeen = Start.addSecs(parts.at(2).toInt());
        }
        rules.seed(entries);
        QHash<QString, QString> macs;
        for (const QString &line : records)
            macs.insert(line.section(QLatin1Char(' '), 0, 0), line.section(QLatin1Char(' '), 1));
        if (!records.isEmpty())
            rules.setRecords(macs);

        QStringList heard;
        for (const QString &frame : frames)
            heard += summaries(rules.hear(frameOf(frame)));
        QCOMPARE(heard, expected);
    }

    // A completed scan gave its pairs' events and findings; hearing them
    // again gives none, and the next change counts from the scan.
    void scannedPairsAreNoNews()
    {
        ListenRules rules;
        rules.setRecords({});
        rules.noteScan({{QStringLiteral("198.18.5.10"), A}}, Start);
        QCOMPARE(summaries(rules.hear(frameOf(QStringLiteral("rep 198.18.5.10 A 10")))), QStringList{});
        QCOMPARE(summaries(rules.hear(frameOf(QStringLiteral("rep 198.18.5.10 B 400")))),
                 QStringList({"new-station 198.18.5.10 B", "mac-changed 198.18.5.10 B A",
                              "ip-not-preset 198.18.5.10 B"}));
    }

    // A flood of addresses and MACs stays within the bounds; the latest
    // are the ones kept.
    void stateIsBounded()
    {
        ListenRules rules({}, 64);
        for (int n = 0; n < 5000; ++n)
            rules.hear({HeardFrame::Kind::ArpReply, QString::asprintf("198.18.%d.%d", n >> 8, n & 255),
                        QString::asprintf("00-0A-E4-00-%02X-%02X", n >> 8, n & 255), Start.addSecs(n)});
        QVERIFY(rules.addressCount() <= 64);
        QVERIFY(rules.macCount() <= 64);
        const ListenRules::Outcome again =
            rules.hear({HeardFrame::Kind::ArpReply, QStringLiteral("198.18.19.135"),
                        QStringLiteral("00-0A-E4-00-13-87"), Start.addSecs(5000)});
        QCOMPARE(summaries(again), QStringList{});
    }

    // The session tells each frame's news at once and writes the pairs and
    // events in one batch; a lost listener is told.
    void sessionBatchesWhatItHears()
    {
        QList<KeptScan> written;
        ListenSession session(QStringLiteral("lab"), [&](const KeptScan &heard) { written.append(heard); });
        auto owned = std::make_unique<FakeListener>();
        FakeListener *listener = owned.get();
        session.listen(std::move(owned));
        QSignalSpy changes(&session, &ListenSession::changes);
        QSignalSpy lost(&session, &ListenSession::lost);

        for (int n = 0; n < 50; ++n)
            Q_EMIT listener->heard(frameOf(QStringLiteral("rep 198.18.5.10 A %1").arg(n)));
        Q_EMIT listener->heard(frameOf(QStringLiteral("na 2001:2::10 B 51")));
        QCOMPARE(changes.size(), 2);
        QVERIFY(written.isEmpty());
        Q_EMIT listener->lost(QStringLiteral("The helper ended."));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.at(0).at(0).toString(), QStringLiteral("The helper ended."));
        QVERIFY(!session.isListening());
        QCOMPARE(written.size(), 1);
        QVERIFY(written.at(0).heard);
        QCOMPARE(written.at(0).site, QStringLiteral("lab"));
        QCOMPARE(written.at(0).rows.size(), 2);
        QCOMPARE(written.at(0).events.size(), 2);
        QCOMPARE(written.at(0).time, Start.addSecs(51));
    }
};

QTEST_GUILESS_MAIN(TestListenRules)
#include "TestListenRules.moc"
