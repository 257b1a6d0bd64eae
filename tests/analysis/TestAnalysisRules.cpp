#include <QRandomGenerator>
#include <QTest>

#include "analysis/AnalysisRules.h"
#include "lists/RecordListModel.h"

using RecordPairs = QList<QPair<QString, QString>>;

// The finding rules of one scan row, and the indexed lookups against the walk
// of the record list from its first row.
class TestAnalysisRules : public QObject
{
    Q_OBJECT

private slots:
    void findings_data();
    void findings();
    void firstRecordInCurrentOrderCounts();
    void indexAgreesWithTheWalk();
    void lookupsLeaveTheHighlight();

private:
    static RecordListModel *records(const RecordPairs &ipMac, QObject *parent);
};

namespace {

const QString Mac1 = QStringLiteral("00-0A-E4-20-53-55");
const QString Mac2 = QStringLiteral("00-0A-E4-00-00-02");
const QString Ip1 = QStringLiteral("198.18.7.10");
const QString Ip2 = QStringLiteral("198.18.7.11");

// The lookup as the design walks it: first row whose column equals the key
// after both are upper-cased.
QString walk(const RecordListModel &list, int searchColumn, int otherColumn, const QString &key)
{
    for (int row = 0; row < list.count(); ++row) {
        if (list.text(row, searchColumn).toUpper() == key.toUpper())
            return list.text(row, otherColumn);
    }
    return {};
}

} // namespace

RecordListModel *TestAnalysisRules::records(const RecordPairs &ipMac, QObject *parent)
{
    auto *list = new RecordListModel(parent);
    QList<PresetRecord> all;
    qint64 id = 1;
    for (const auto &[ip, mac] : ipMac) {
        PresetRecord r;
        r.id = id++;
        r.ipAddress = ip;
        r.macAddress = mac;
        all.append(r);
    }
    list->setRecords(all);
    return list;
}

void TestAnalysisRules::findings_data()
{
    QTest::addColumn<RecordPairs>("recordRows");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<bool>("analyzeMac");
    QTest::addColumn<bool>("analyzeIp");
    QTest::addColumn<QStringList>("expected");

    const RecordPairs paired = {{Ip1, Mac1}};
    const QString head = QStringLiteral("[%1] is abused IP:%2").arg(Mac1, Ip1);

    QTest::newRow("non-responded row, both options")
        << RecordPairs{} << Ip1 << QStringLiteral("Non-Responded IP") << true << true << QStringList();
    QTest::newRow("both options off") << RecordPairs{} << Ip1 << Mac1 << false << false << QStringList();
    QTest::newRow("equal pairs") << paired << Ip1 << Mac1 << true << true << QStringList();
    QTest::newRow("both missing: IP finding first")
        << RecordPairs{} << Ip1 << Mac1 << true << true
        << QStringList{head + QStringLiteral(";This IP has not been preset yet"),
                       head + QStringLiteral(";This MAC is not in Record, maybe it is illegal")};
    QTest::newRow("IP of another MAC, MAC on another IP")
        << RecordPairs{{Ip1, Mac2}, {Ip2, Mac1}} << Ip1 << Mac1 << true << true
        << QStringList{head + QStringLiteral("; This IP belongs to [") + Mac2 + QLatin1Char(']'),
                       head + QStringLiteral(";This MAC should be on[") + Ip2 + QLatin1Char(']')};
    QTest::newRow("only Analyze of IP")
        << RecordPairs{{Ip1, Mac2}, {Ip2, Mac1}} << Ip1 << Mac1 << false << true
        << QStringList{head + QStringLiteral(";This MAC should be on[") + Ip2 + QLatin1Char(']')};
    // Found ignoring case, then compared with it: the record's MAC as stored.
    QTest::newRow("case-different MAC")
        << RecordPairs{{Ip1, Mac1.toLower()}} << Ip1 << Mac1 << true << false
        << QStringList{head + QStringLiteral("; This IP belongs to [") + Mac1.toLower() + QLatin1Char(']')};
    QTest::newRow("case-different MAC, IP lookup finds it")
        << RecordPairs{{Ip1, Mac1.toLower()}} << Ip1 << Mac1 << false << true << QStringList();
    QTest::newRow("empty record MAC counts as not preset")
        << RecordPairs{{Ip1, QString()}} << Ip1 << Mac1 << true << false
        << QStringList{head + QStringLiteral(";This IP has not been preset yet")};
    QTest::newRow("no trimming") << RecordPairs{{Ip1 + QLatin1Char(' '), Mac1}} << Ip1 << Mac1 << true
                                 << false
                                 << QStringList{head + QStringLiteral(";This IP has not been preset yet")};
}

void TestAnalysisRules::findings()
{
    QFETCH(RecordPairs, recordRows);
    QFETCH(QString, ip);
    QFETCH(QString, mac);
    QFETCH(bool, analyzeMac);
    QFETCH(bool, analyzeIp);
    QFETCH(QStringList, expected);

    const RecordListModel *list = records(recordRows, this);
    const AnalysisRules rules(*list);
    QCOMPARE(rules.findings(ip, mac, {analyzeMac, analyzeIp}), expected);
}

void TestAnalysisRules::firstRecordInCurrentOrderCounts()
{
    RecordListModel *list = records({{Ip1, Mac2}, {Ip1, Mac1}}, this);
    QCOMPARE(AnalysisRules(*list).FindRecordMacByIp(Ip1), Mac2);
    QCOMPARE(AnalysisRules(*list).findings(Ip1, Mac1, {true, false}).size(), 1);

    // Sorted by MAC descending, the record with Mac1 comes first.
    list->sortByColumn(RecordListModel::MacColumn, SortKind::ExactText, Qt::DescendingOrder);
    QCOMPARE(AnalysisRules(*list).FindRecordMacByIp(Ip1), Mac1);
    QVERIFY(AnalysisRules(*list).findings(Ip1, Mac1, {true, false}).isEmpty());
}

void TestAnalysisRules::indexAgreesWithTheWalk()
{
    // Few distinct values, so that duplicates, case variants and empty fields
    // are frequent.
    QRandomGenerator random(20240607);
    const QStringList ips = {QStringLiteral("198.18.7.1"), QStringLiteral("198.18.7.2"),
                             QStringLiteral("198.18.7.3"), QString()};
    const QStringList macs = {Mac1, Mac1.toLower(), Mac2, QString(), QStringLiteral("Non-Responded IP")};
    RecordPairs rows;
    for (int i = 0; i < 200; ++i)
        rows.append({ips.at(random.bounded(int(ips.size()))), macs.at(random.bounded(int(macs.size())))});
    RecordListModel *list = records(rows, this);
    for (int column : {RecordListModel::NumberColumn, RecordListModel::MacColumn}) {
        list->sortByColumn(column, column == 0 ? SortKind::Number : SortKind::ExactText, Qt::DescendingOrder);
        const AnalysisRules rules(*list);
        for (const QString &ip : ips)
            QCOMPARE(rules.FindRecordMacByIp(ip), walk(*list, 1, 2, ip));
        for (const QString &mac : macs)
            QCOMPARE(rules.FindRecordIpByMac(mac), walk(*list, 2, 1, mac));
    }
}

void TestAnalysisRules::lookupsLeaveTheHighlight()
{
    RecordListModel *list = records({{Ip1, Mac1}, {Ip2, Mac2}}, this);
    list->setCurrentRow(0);
    const AnalysisRules rules(*list);
    rules.findings(Ip2, Mac1, {true, true});
    QCOMPARE(list->currentRow(), 0);
}

QTEST_GUILESS_MAIN(TestAnalysisRules)
#include "TestAnalysisRules.moc"
