#include <QTest>

#include "records/ServerBatchPlan.h"

namespace {

// "IP HOST [over N]": an item matched by IP that skips a duplicate, or
// overwrites fields 1 to N of it.
BatchItem itemOf(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    BatchItem item{PresetRecord::fromFields({parts.at(0), QString(), parts.at(1)}, 99)};
    if (parts.value(2) == QLatin1String("over")) {
        item.onDuplicate = BatchItem::OnDuplicate::Overwrite;
        item.overwrittenFields = parts.value(3).toInt();
    }
    return item;
}

} // namespace

class TestServerBatchPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // holders: the ID holding each item's key before the batch, 0 for none.
    // plan: the action and ID of each item (new records get 1001, 1002...),
    // then "+" and each added record's IP and host, then each update as
    // "fields:ID=host".
    void plan_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QList<int>>("holders");
        QTest::addColumn<QStringList>("plan");

        QTest::newRow("new keys, one twice in another case")
            << QStringList{"10.0.0.A a", "10.0.0.2 b", "10.0.0.a c", "10.0.0.a d over 3"}
            << QList<int>{0, 0, 0, 0}
            << QStringList{"A1001", "A1002", "S1001", "O1001", "+10.0.0.a/d", "+10.0.0.2/b"};
        QTest::newRow("an overwrite of fewer fields keeps the others")
            << QStringList{"10.0.0.1 a", "10.0.0.1 b over 2"} << QList<int>{0, 0}
            << QStringList{"A1001", "O1001", "+10.0.0.1/a"};
        QTest::newRow("holders: one update per field count, the widest per ID")
            << QStringList{"10.0.0.7 a over 4", "10.0.0.3 b over 9", "10.0.0.7 c over 2", "10.0.0.5 d",
                           "10.0.0.9 e over 40"}
            << QList<int>{7, 3, 7, 5, 0}
            << QStringList{"O7", "O3", "O7", "S5", "A1001", "+10.0.0.9/e", "4:7=a", "9:3=b"};
    }

    void plan()
    {
        QFETCH(QStringList, items);
        QFETCH(QList<int>, holders);
        QFETCH(QStringList, plan);

        QList<BatchItem> batch;
        for (const QString &text : std::as_const(items))
            batch.append(itemOf(text));
        QList<std::optional<qint64>> held;
        for (const int id : std::as_const(holders))
            held.append(id ? std::optional<qint64>(id) : std::nullopt);

        const ServerBatchPlan made = ServerBatchPlan::of(batch, held);
        const BatchOutcome outcome = made.outcome({1001, 1002});
        QStringList got;
        for (qsizetype i = 0; i < outcome.actions.size(); ++i)
            got.append(QLatin1Char("AOS"[int(outcome.actions.at(i))]) + QString::number(outcome.ids.at(i)));
        for (const PresetRecord &record : made.added) {
            QCOMPARE(record.id, qint64(0));
            got.append(QLatin1Char('+') + record.ipAddress + QLatin1Char('/') + record.hostName);
        }
        for (const ServerBatchPlan::Update &update : made.updates) {
            for (qsizetype i = 0; i < update.ids.size(); ++i)
                got.append(QStringLiteral("%1:%2=%3")
                               .arg(update.fieldCount)
                               .arg(update.ids.at(i))
                               .arg(update.records.at(i).hostName));
        }
        QCOMPARE(got, plan);
    }

    void declinesMixedOrMissingKeys()
    {
        BatchItem byMac = itemOf(QStringLiteral("10.0.0.1 a"));
        byMac.matchBy = BatchItem::MatchBy::MacAddress;
        QVERIFY(!ServerBatchPlan::keysOf({byMac}));
        QVERIFY(!ServerBatchPlan::keysOf({itemOf(QStringLiteral("10.0.0.1 a")), byMac}));
        const std::optional<ServerBatchPlan::Keys> keys =
            ServerBatchPlan::keysOf({itemOf(QStringLiteral("10.0.0.1 a")), itemOf(QStringLiteral("X.Y b"))});
        QVERIFY(keys);
        QCOMPARE(keys->lowered, QStringList({"10.0.0.1", "x.y"}));
    }
};

QTEST_GUILESS_MAIN(TestServerBatchPlan)
#include "TestServerBatchPlan.moc"
