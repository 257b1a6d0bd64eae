// Acknowledged findings: the normal forms in which pairs are compared, the
// expiry of an acknowledgement at a moment the test chooses, the text of an
// until-date, and the table of them in a real database file.
#include <QTest>

#include "lists/AcknowledgedSet.h"
#include "records/Acknowledgement.h"
#include "records/AcknowledgementStore.h"
#include "records/RecordSchema.h"
#include "tests/support/RecordFixture.h"

class TestAcknowledgements : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void normalForms_data();
    void normalForms();
    void expiry_data();
    void expiry();
    void untilText_data();
    void untilText();
    void tableComesWithTheSchema();
    void addReplaceRemove();
    void activeAtLeavesExpiredOut();
    void failureNamesTheFile();

private:
    std::unique_ptr<RecordFixture> m_f;
};

namespace {

QDateTime utc(const char *iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate).toUTC();
}

Acknowledgement ack(const QString &ip, const QString &mac, const QString &note, const QDateTime &until = {})
{
    return {ip, mac, note, QStringLiteral("tester"), utc("2026-12-01T08:00:00Z"), until};
}

} // namespace

void TestAcknowledgements::init()
{
    m_f = std::make_unique<RecordFixture>();
    QVERIFY(m_f->isValid());
}

void TestAcknowledgements::normalForms_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("normalIp");
    QTest::addColumn<QString>("normalMac");

    QTest::newRow("as the scan writes them") << "198.18.7.10"
                                             << "00-0A-E4-20-53-55"
                                             << "198.18.7.10"
                                             << "00-0A-E4-20-53-55";
    QTest::newRow("lower case, colons") << "198.18.7.10"
                                        << "00:0a:e4:20:53:55"
                                        << "198.18.7.10"
                                        << "00-0A-E4-20-53-55";
    QTest::newRow("leading zeros, blanks") << " 198.018.007.010 "
                                           << " 00-0a-E4-20-53-55 "
                                           << "198.18.7.10"
                                           << "00-0A-E4-20-53-55";
    QTest::newRow("no IP address: kept") << "198.18.7"
                                         << "Non-Responded IP"
                                         << "198.18.7"
                                         << "NON-RESPONDED IP";
    QTest::newRow("part above 255: kept") << "198.18.7.256"
                                          << ""
                                          << "198.18.7.256"
                                          << "";
}

void TestAcknowledgements::normalForms()
{
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    QFETCH(QString, normalIp);
    QFETCH(QString, normalMac);
    QCOMPARE(AcknowledgedSet::normalIp(ip), normalIp);
    QCOMPARE(AcknowledgedSet::normalMac(mac), normalMac);

    // Whatever form a pair is stored in, any other form of it is found.
    AcknowledgedSet set;
    set.insert(ip, mac);
    QVERIFY(set.isAcknowledged(normalIp, normalMac.toLower(), utc("2026-12-01T00:00:00Z")));
}

void TestAcknowledgements::expiry_data()
{
    QTest::addColumn<QString>("until"); // as typed after --until; empty: for ever
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<bool>("acknowledged");

    QTest::newRow("for ever, far future") << "" << utc("9999-12-31T23:59:59Z") << true;
    QTest::newRow("day: its first moment") << "2026-12-31" << utc("2026-12-31T00:00:00Z") << true;
    QTest::newRow("day: its last second") << "2026-12-31" << utc("2026-12-31T23:59:59Z") << true;
    QTest::newRow("day: the next day") << "2026-12-31" << utc("2027-01-01T00:00:00Z") << false;
    QTest::newRow("instant: exactly then") << "2026-12-31T12:00:00Z" << utc("2026-12-31T12:00:00Z") << true;
    QTest::newRow("instant: a second later")
        << "2026-12-31T12:00:00Z" << utc("2026-12-31T12:00:01Z") << false;
    QTest::newRow("offset: the same instant in UTC")
        << "2026-12-31T14:00:00+02:00" << utc("2026-12-31T12:00:00Z") << true;
    QTest::newRow("offset: later in UTC")
        << "2026-12-31T14:00:00+02:00" << utc("2026-12-31T12:00:01Z") << false;
    QTest::newRow("asked in another zone")
        << "2026-12-31T12:00:00Z"
        << QDateTime::fromString(QStringLiteral("2026-12-31T13:30:00+01:00"), Qt::ISODate) << false;
}

void TestAcknowledgements::expiry()
{
    QFETCH(QString, until);
    QFETCH(QDateTime, at);
    QFETCH(bool, acknowledged);

    QDateTime last;
    if (!until.isEmpty()) {
        const std::optional<QDateTime> parsed = Acknowledgement::parseUntil(until);
        QVERIFY(parsed);
        last = *parsed;
    }
    AcknowledgedSet set;
    set.insert(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-20-53-55"), last);
    QCOMPARE(set.isAcknowledged(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-20-53-55"), at),
             acknowledged);
    QCOMPARE(ack({}, {}, {}, last).isActiveAt(at), acknowledged);
    // Another MAC on the same IP is another finding.
    QVERIFY(!set.isAcknowledged(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-20-53-56"), at));

    // What the database holds reads back as the same instant.
    QCOMPARE(Acknowledgement::fromIsoText(Acknowledgement::isoText(last)), last);
}

void TestAcknowledgements::untilText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored"); // empty: refused

    QTest::newRow("day") << "2026-12-31"
                         << "2026-12-31T23:59:59Z";
    QTest::newRow("UTC instant") << "2026-12-31T08:15:00Z"
                                 << "2026-12-31T08:15:00Z";
    QTest::newRow("negative offset") << "2026-12-31T08:15:00-05:00"
                                     << "2026-12-31T13:15:00Z";
    QTest::newRow("no zone: whose clock?") << "2026-12-31T08:15:00"
                                           << "";
    QTest::newRow("month 13") << "2026-13-01"
                              << "";
    QTest::newRow("day 30 of February") << "2026-02-30"
                                        << "";
    QTest::newRow("words") << "next week"
                           << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestAcknowledgements::untilText()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    const std::optional<QDateTime> until = Acknowledgement::parseUntil(text);
    QCOMPARE(until.has_value(), !stored.isEmpty());
    if (until)
        QCOMPARE(Acknowledgement::isoText(*until), stored);
}

void TestAcknowledgements::tableComesWithTheSchema()
{
    QVERIFY(m_f->store().prepare());
    QCOMPARE(m_f->column(QStringLiteral("PRAGMA user_version")).value(0).toInt(),
             RecordSchema::currentVersion());
    QCOMPARE(m_f->column(QStringLiteral("SELECT count(*) FROM T_Acknowledgement")).value(0).toInt(), 0);
}

void TestAcknowledgements::addReplaceRemove()
{
    const AcknowledgementStore store(m_f->store());
    QVERIFY(store.add(ack(QStringLiteral("198.18.7.10"), QStringLiteral("00:0a:e4:20:53:55"),
                          QStringLiteral("lab"), utc("2026-12-31T23:59:59Z"))));
    QVERIFY(store.add(
        ack(QStringLiteral("198.18.7.9"), QStringLiteral("00-0A-E4-20-53-54"), QStringLiteral("old"))));
    // The same pair in another form replaces the first.
    QVERIFY(store.add(ack(QStringLiteral("198.18.7.010"), QStringLiteral("00-0A-E4-20-53-55"),
                          QStringLiteral("printer, room 4"))));

    Result<QList<Acknowledgement>> all = store.all();
    QVERIFY2(all, qPrintable(all.error()));
    QCOMPARE(all->size(), 2);
    const Acknowledgement &replaced = all->at(0);
    QCOMPARE(replaced.ip, QStringLiteral("198.18.7.10"));
    QCOMPARE(replaced.mac, QStringLiteral("00-0A-E4-20-53-55"));
    QCOMPARE(replaced.note, QStringLiteral("printer, room 4"));
    QCOMPARE(replaced.by, QStringLiteral("tester"));
    QCOMPARE(replaced.at, utc("2026-12-01T08:00:00Z"));
    QVERIFY(!replaced.until.isValid()); // for ever now
    // Stored as ISO 8601 UTC text, an endless one as NULL.
    QCOMPARE(m_f->column(QStringLiteral("SELECT AckedAt FROM T_Acknowledgement WHERE IPAddress = ?"),
                         {QStringLiteral("198.18.7.10")}),
             QVariantList{QStringLiteral("2026-12-01T08:00:00Z")});
    QVERIFY(m_f->column(QStringLiteral("SELECT ExpiresAt FROM T_Acknowledgement WHERE IPAddress = ?"),
                        {QStringLiteral("198.18.7.10")})
                .value(0)
                .isNull());

    Result<bool> removed = store.remove(QStringLiteral("198.18.7.10"), QStringLiteral("00-0a-e4-20-53-55"));
    QVERIFY(removed);
    QVERIFY(*removed);
    removed = store.remove(QStringLiteral("198.18.7.10"), QStringLiteral("00-0A-E4-20-53-55"));
    QVERIFY(removed);
    QVERIFY(!*removed);
    all = store.all();
    QCOMPARE(all->size(), 1);
    QCOMPARE(all->at(0).note, QStringLiteral("old"));
}

void TestAcknowledgements::activeAtLeavesExpiredOut()
{
    const AcknowledgementStore store(m_f->store());
    QVERIFY(store.add(ack(QStringLiteral("198.18.7.1"), QStringLiteral("00-0A-E4-00-00-01"), {},
                          utc("2026-12-10T23:59:59Z"))));
    QVERIFY(store.add(ack(QStringLiteral("198.18.7.2"), QStringLiteral("00-0A-E4-00-00-02"), {})));

    const Result<AcknowledgedSet> before = store.activeAt(utc("2026-12-10T12:00:00Z"));
    QVERIFY(before);
    QCOMPARE(before->size(), 2);
    const Result<AcknowledgedSet> after = store.activeAt(utc("2026-12-11T00:00:00Z"));
    QVERIFY(after);
    QCOMPARE(after->size(), 1);
    QVERIFY(!after->isAcknowledged(QStringLiteral("198.18.7.1"), QStringLiteral("00-0A-E4-00-00-01"),
                                   utc("2026-12-11T00:00:00Z")));
    QVERIFY(after->isAcknowledged(QStringLiteral("198.18.7.2"), QStringLiteral("00-0A-E4-00-00-02"),
                                  utc("2026-12-11T00:00:00Z")));
}

void TestAcknowledgements::failureNamesTheFile()
{
    QVERIFY(m_f->store().prepare());
    QVERIFY(m_f->exec(QStringLiteral("DROP TABLE T_Acknowledgement")));
    const AcknowledgementStore store(m_f->store());
    const Result<> added =
        store.add(ack(QStringLiteral("198.18.7.1"), QStringLiteral("00-0A-E4-00-00-01"), {}));
    QVERIFY(!added);
    QVERIFY2(added.error().startsWith(QStringLiteral("The acknowledgement cannot be saved.")),
             qPrintable(added.error()));
    QVERIFY(added.error().contains(m_f->databasePath()));
    QVERIFY(added.error().contains(QStringLiteral("T_Acknowledgement")));
    QVERIFY(!store.all());
}

QTEST_GUILESS_MAIN(TestAcknowledgements)
#include "TestAcknowledgements.moc"
