#include <QTest>

#include <vector>

#include "history/ChangeRules.h"
#include "lists/ScanRow.h"

namespace {

const QDateTime Now(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);
const QString AbsentBefore = QStringLiteral("2026-05-16T12:00:00Z");

// "-": the lookup did not return the pair. Else "own|latest MAC|latest time",
// and "|known" when a new pair's MAC is known at another IP.
ChangeRules::Sighting sightingOf(const QString &text)
{
    ChangeRules::Sighting seen;
    if (text == QLatin1String("-"))
        return seen;
    const QStringList parts = text.split(QLatin1Char('|'));
    seen.found = true;
    seen.ownLastSeen = parts.value(0);
    seen.latestMac = parts.value(1);
    seen.latestLastSeen = parts.value(2);
    seen.macKnown = parts.value(3) == QLatin1String("known");
    return seen;
}

} // namespace

class TestChangeRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // rows: "IP MAC[+further MAC...]" of the scan list; sightings: one per
    // pair that counts; events: "kind IP MAC [other MAC] [other time] [MACs]".
    void events_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("sightings");
        QTest::addColumn<QString>("neighbour"); // "IP MAC" of the neighbour table, if any
        QTest::addColumn<QStringList>("events");

        const QString a = QStringLiteral("198.18.1.1 00-0A-E4-00-00-01");
        QTest::newRow("new pair") << QStringList{a} << QStringList{"||"} << QString()
                                  << QStringList{"new-station 198.18.1.1 00-0A-E4-00-00-01"};
        QTest::newRow("new randomised pair")
            << QStringList{"198.18.1.1 da:a1:19:00:00:01"} << QStringList{"||"} << QString()
            << QStringList{"new-station 198.18.1.1 DA-A1-19-00-00-01",
                           "randomised-mac 198.18.1.1 DA-A1-19-00-00-01"};
        QTest::newRow("one new MAC at two IPs, a pair twice, markers and MAC-less rows")
            << QStringList{a, a, "198.18.1.2 00-0A-E4-00-00-01", "198.18.1.3 Non-Responded IP", "198.18.1.4"}
            << QStringList{"||", "||"} << QString()
            << QStringList{"new-station 198.18.1.1 00-0A-E4-00-00-01"};
        QTest::newRow("new pair of a known MAC")
            << QStringList{a} << QStringList{"|||known"} << QString() << QStringList{};
        QTest::newRow("long absent") << QStringList{a} << QStringList{"2026-01-02T08:00:00Z||"} << QString()
                                     << QStringList{
                                            "returned 198.18.1.1 00-0A-E4-00-00-01 2026-01-02T08:00:00Z"};
        QTest::newRow("absent to the limit")
            << QStringList{a} << QStringList{AbsentBefore + "||"} << QString() << QStringList{};
        QTest::newRow("another MAC before")
            << QStringList{a} << QStringList{"|00-0A-E4-00-00-09|2026-06-14T08:00:00Z|known"} << QString()
            << QStringList{"mac-changed 198.18.1.1 00-0A-E4-00-00-01 00-0A-E4-00-00-09 2026-06-14T08:00:00Z"};
        QTest::newRow("seen lately, not looked up")
            << QStringList{a} << QStringList{"-"} << QString() << QStringList{};
        QTest::newRow("neighbour table disagrees, seen lately")
            << QStringList{a} << QStringList{"-"} << "198.18.1.1 00:0a:e4:00:00:09"
            << QStringList{"nbstat-mac-mismatch 198.18.1.1 00-0A-E4-00-00-01 00-0A-E4-00-00-09"};
        QTest::newRow("neighbour table agrees") << QStringList{a} << QStringList{"-"} << a << QStringList{};
        QTest::newRow("unit id no station address")
            << QStringList{"198.18.1.1 00-00-00-00-00-00"} << QStringList{"-"} << a << QStringList{};

        // Conflicts beyond the recorder's table: 01 and 02 answer for 198.18.1.1.
        const QString t = QStringLiteral("2026-06-14T08:00:00Z");
        QTest::newRow("conflict starts between two MACs that took turns")
            << QStringList{"198.18.1.1 00-0A-E4-00-00-01+00-0A-E4-00-00-02"}
            << QStringList{"2026-06-15T11:55:00Z|00-0A-E4-00-00-02|" + t,
                           t + "|00-0A-E4-00-00-01|2026-06-15T11:55:00Z"}
            << QString()
            << QStringList{"ip-conflict 198.18.1.1 00-0A-E4-00-00-01 00-0A-E4-00-00-01,00-0A-E4-00-00-02"};
        QTest::newRow("a further MAC that is the first is no conflict")
            << QStringList{"198.18.1.1 00-0A-E4-00-00-01+00-0a-e4-00-00-01"} << QStringList{"-"} << QString()
            << QStringList{};
    }

    void events()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, sightings);
        QFETCH(QString, neighbour);
        QFETCH(QStringList, events);

        QList<ScanRow> scan;
        for (const QString &text : rows) {
            ScanRow &row = scan.emplace_back();
            row.ipAddress = text.section(QLatin1Char(' '), 0, 0);
            const QStringList macs = text.section(QLatin1Char(' '), 1).split(QLatin1Char('+'));
            row.macAddress = macs.constFirst();
            row.otherMacs = macs.mid(1);
            row.hostName = QStringLiteral("HOST");
        }
        const QList<ChangeRules::Pair> pairs = ChangeRules::pairsOf(scan);
        std::vector<ChangeRules::Sighting> seen;
        for (const QString &text : sightings)
            seen.push_back(sightingOf(text));
        QCOMPARE(pairs.size(), qsizetype(seen.size()));
        QHash<QString, QString> neighbourMacs;
        if (!neighbour.isEmpty())
            neighbourMacs.insert(neighbour.section(QLatin1Char(' '), 0, 0),
                                 neighbour.section(QLatin1Char(' '), 1));

        QStringList got;
        for (const ChangeEvent &e :
             ChangeRules::events(pairs, seen, neighbourMacs, QStringLiteral("site"), Now, AbsentBefore)) {
            QCOMPARE(e.site, QStringLiteral("site"));
            QCOMPARE(e.time, Now);
            // A further MAC's names are not the row's.
            const bool further = e.macAddress.endsWith(QLatin1String("-02")) &&
                                 e.kind != ChangeEvent::Kind::IpConflict;
            QCOMPARE(e.hostName, further ? QString() : QStringLiteral("HOST"));
            QStringList line{ChangeEvent::kindWord(e.kind), e.ipAddress, e.macAddress, e.otherMac};
            if (e.otherTime.isValid())
                line.append(e.otherTime.toString(Qt::ISODate));
            line.append(e.macs.join(QLatin1Char(',')));
            line.removeAll(QString());
            got.append(line.join(QLatin1Char(' ')));
        }
        QCOMPARE(got, events);
    }
};

QTEST_GUILESS_MAIN(TestChangeRules)
#include "TestChangeRules.moc"
